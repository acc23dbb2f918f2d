// The published Blowfish initial tables (hex fraction of pi), generated into InitialTables.cpp.
#pragma once

#include <cstdint>

namespace qx::cipher {

extern const std::uint32_t kInitialP[18];
extern const std::uint32_t kInitialS[4][256];

// Digest the generator computed over all 1042 words; lets a test notice a damaged table.
extern const std::uint64_t kInitialTablesDigest;

}  // namespace qx::cipher
