// The package description and the loading of the package's unit table.
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "package/PackageInfo.h"

namespace {

using qx::package::Description;
using qx::package::ModuleKind;
using qx::package::Package;
using qx::package::Version;
using Names = std::vector<std::string_view>;

TEST(PackageInfo, Description) {
  const auto& d = Description();
  EXPECT_EQ(d.Kind, ModuleKind::DesignAndRunTime);
  EXPECT_EQ(Names(d.Requires.begin(), d.Requires.end()), (Names{"VCL35"}));
  EXPECT_EQ(Names(d.Contains.begin(), d.Contains.end()), (Names{d.Name, "Blowfish"}));
  EXPECT_FALSE(d.Description.empty());
  EXPECT_EQ(d.FileVersion, (Version{1, 0, 0, 0}));
  EXPECT_EQ(d.ProductVersion, (Version{1, 0, 0, 0}));
}

TEST(PackageInfo, UnitTableRunsFrameworkThenOwnUnitThenBlowfish) {
  Names order;
  for (const TUnitInitEntry& unit : Package().Units()) {
    order.push_back(unit.UnitName);
  }
  EXPECT_EQ(order, (Names{"System", "Classes", Description().Name, "Blowfish"}));
  EXPECT_EQ(Package().Name(), Description().Name);
}

TEST(PackageInfo, LoadingTwiceAndUnloadingOnceLeavesItLoaded) {
  TPackage& package = Package();
  ASSERT_FALSE(package.Loaded());
  LoadPackage(package);
  LoadPackage(package);
  EXPECT_TRUE(UnloadPackage(package));
  EXPECT_TRUE(package.Loaded());
  EXPECT_TRUE(UnloadPackage(package));
  EXPECT_FALSE(package.Loaded());
  EXPECT_FALSE(UnloadPackage(package));
}

}  // namespace
