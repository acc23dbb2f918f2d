// Wiping secrets in a way the optimiser may not elide.
#pragma once

#include <cstddef>

namespace qx {

// Zeroes `size` bytes at `data` (null allowed when size is 0). Used for key state and plaintext scratch.
void secure_wipe(void* data, std::size_t size) noexcept;

}  // namespace qx
