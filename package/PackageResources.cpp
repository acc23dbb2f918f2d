// Looking up the package's resources by name.
#include "package/PackageResources.h"

#include <algorithm>

#include "package/EmbeddedData.h"
#include "package/PackageInfo.h"

namespace qx::package {

namespace {

constexpr char ToUpper(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return ToUpper(x) == ToUpper(y); });
}

}  // namespace

std::optional<std::span<const std::uint8_t>> FindResource(std::string_view name) noexcept {
  if (SameName(name, kPaletteBitmapResource)) {
    return std::span<const std::uint8_t>(generated::kPaletteBitmap, generated::kPaletteBitmapSize);
  }
  if (SameName(name, kDescriptionResource)) {
    const std::string_view text = Description().Description;
    return std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  }
  return std::nullopt;
}

}  // namespace qx::package
