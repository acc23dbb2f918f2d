// Resources the package carries: the palette bitmap "TBLOWFISH" and the text "DESCRIPTION".
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qx::package {

inline constexpr std::string_view kPaletteBitmapResource = "TBLOWFISH";  // the class name in capitals
inline constexpr std::string_view kDescriptionResource = "DESCRIPTION";

// The bytes of the named resource, or nothing. Names match without regard to ASCII case, as resource names
// do. The palette bitmap is a complete .bmp file (file header included); the description is its text without
// a terminator. The bytes are static and live as long as the program.
[[nodiscard]] std::optional<std::span<const std::uint8_t>> FindResource(std::string_view name) noexcept;

}  // namespace qx::package
