// The package description and its unit table, as data.
#include "package/PackageInfo.h"

#include <array>

namespace qx::package {

namespace {

constexpr std::array<std::string_view, 1> kRequires = {"VCL35"};
constexpr std::array<std::string_view, 2> kContains = {"BlowfishPkg", "Blowfish"};

constexpr PackageDescription kDescription{
    "BlowfishPkg",
    ModuleKind::DesignAndRunTime,
    kRequires,
    kContains,
    "TBlowfish: enciphers blocks of memory into QX envelopes and deciphers them back",
    Version{1, 0, 0, 0},
    Version{1, 0, 0, 0},
};

// Null routines: none of these units has an initialization or finalization section of its own. The cipher's
// tables are static data and all changing state lives in the TBlowfish objects.
constexpr std::array<TUnitInitEntry, 4> kUnits = {{
    {"System", nullptr, nullptr},
    {"Classes", nullptr, nullptr},
    {"BlowfishPkg", nullptr, nullptr},
    {"Blowfish", nullptr, nullptr},
}};

}  // namespace

const PackageDescription& Description() noexcept { return kDescription; }

TPackage& Package() noexcept {
  static TPackage package(kDescription.Name, kUnits);
  return package;
}

}  // namespace qx::package
