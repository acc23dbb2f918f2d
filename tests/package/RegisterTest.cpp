// Blowfish::Register: TBlowfish on the "Security" palette page, and nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "Blowfish.h"
#include "package/PackageResources.h"
#include "vcl/ClassRegistry.h"
#include "vcl/Palette.h"

namespace {

class RegisterTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearPalette(); }
  void TearDown() override { ClearPalette(); }
};

TEST_F(RegisterTest, PutsTBlowfishOnTheSecurityPage) {
  Blowfish::Register();
  const std::vector<TPalettePage> palette = GetPalette();
  ASSERT_EQ(palette.size(), 1u);
  EXPECT_EQ(palette[0].Name, "Security");
  ASSERT_EQ(palette[0].Classes.size(), 1u);
  EXPECT_EQ(palette[0].Classes[0], &TBlowfish::MetaClass());
  // Forms holding the component can now be read: the class is found by name.
  EXPECT_EQ(GetClass("TBlowfish"), &TBlowfish::MetaClass());
}

TEST_F(RegisterTest, EveryRegisteredClassHasItsPaletteBitmap) {
  Blowfish::Register();
  for (const TPalettePage& page : GetPalette()) {
    for (const TMetaClass* cls : page.Classes) {
      // The design environment finds the picture under the class name in capitals.
      std::string resource(cls->ClassName);
      std::transform(resource.begin(), resource.end(), resource.begin(),
                     [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
      EXPECT_EQ(resource, qx::package::kPaletteBitmapResource);
      EXPECT_TRUE(qx::package::FindResource(resource)) << resource;
    }
  }
}

TEST_F(RegisterTest, RepeatedRegistrationLeavesOneEntry) {
  Blowfish::Register();
  Blowfish::Register();
  const std::vector<TPalettePage> palette = GetPalette();
  ASSERT_EQ(palette.size(), 1u);
  EXPECT_EQ(palette[0].Classes.size(), 1u);
}

TEST_F(RegisterTest, PaletteCreatesAComponentWithItsConstructedValues) {
  Blowfish::Register();
  TComponent form(nullptr);
  TComponent* created = GetPalette().at(0).Classes.at(0)->Create(&form);
  auto* bf = dynamic_cast<TBlowfish*>(created);
  ASSERT_NE(bf, nullptr);
  EXPECT_EQ(bf->GetOwner(), &form);
  EXPECT_EQ(bf->Key, "5820316497");
  EXPECT_FALSE(bf->Crc_Check);
  EXPECT_FALSE(bf->Compression);
  EXPECT_EQ(bf->GetErrorCode(), TBlowfish::ErrNone);
}

}  // namespace
