// Files embedded into the library at build time (see EmbedBinary.cmake); read them through PackageResources.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx::package::generated {

extern const std::uint8_t kPaletteBitmap[];
extern const std::size_t kPaletteBitmapSize;

}  // namespace qx::package::generated
