// What the package declares about itself: module kind, required packages, units, description and version.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "vcl/PackageLoader.h"

namespace qx::package {

enum class ModuleKind : std::uint8_t {
  DesignAndRunTime,  // loaded by the design environment and by applications alike
  DesignTimeOnly,
  RunTimeOnly,
};

struct Version {
  std::uint16_t Major;
  std::uint16_t Minor;
  std::uint16_t Release;
  std::uint16_t Build;
  friend constexpr bool operator==(const Version&, const Version&) = default;
};

struct PackageDescription {
  std::string_view Name;
  ModuleKind Kind;
  std::span<const std::string_view> Requires;  // packages that must be loaded first
  std::span<const std::string_view> Contains;  // the package's own units
  std::string_view Description;                // also the DESCRIPTION resource
  Version FileVersion;
  Version ProductVersion;
};

[[nodiscard]] const PackageDescription& Description() noexcept;

// The loadable package. Its unit table runs, in order, the framework units (System, Classes), the package's
// own unit and Blowfish; none of them has set-up work, so the loader only keeps the initialisation count.
[[nodiscard]] TPackage& Package() noexcept;

}  // namespace qx::package
