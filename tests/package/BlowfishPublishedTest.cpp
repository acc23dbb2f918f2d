// The published properties of TBlowfish: the table the form streaming relies on, and typed access to it.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "Blowfish.h"
#include "vcl/ClassRegistry.h"

namespace {

using namespace std::string_literals;

struct ExpectedProperty {
  const char* name;
  TPropType type;
  bool stored;
  std::optional<TPropValue> default_value;
};

// The legacy component's published interface: inherited Name (not stored, carried by the object header) and
// Tag (default 0), then Key with no recorded default, Crc_Check and Compression with default false.
const ExpectedProperty kExpected[] = {
    {"Name", TPropType::String, false, std::nullopt},
    {"Tag", TPropType::Integer, true, TPropValue(std::int32_t{0})},
    {"Key", TPropType::String, true, std::nullopt},
    {"Crc_Check", TPropType::Boolean, true, TPropValue(false)},
    {"Compression", TPropType::Boolean, true, TPropValue(false)},
};

TEST(BlowfishPublished, PropertyTable) {
  const TMetaClass& cls = TBlowfish::MetaClass();
  EXPECT_EQ(cls.ClassName, "TBlowfish");
  EXPECT_EQ(cls.Parent, &TComponent::MetaClass());
  const auto props = PublishedProperties(cls);
  ASSERT_EQ(props.size(), std::size(kExpected));
  for (std::size_t i = 0; i < props.size(); ++i) {
    SCOPED_TRACE(kExpected[i].name);
    EXPECT_EQ(props[i]->Name, kExpected[i].name);
    EXPECT_EQ(props[i]->Type, kExpected[i].type);
    EXPECT_EQ(props[i]->Stored, kExpected[i].stored);
    EXPECT_EQ(props[i]->Default, kExpected[i].default_value);
  }
}

TEST(BlowfishPublished, ConstructedValuesThroughTheTable) {
  RegisterClass(TBlowfish::MetaClass());
  TBlowfish bf(nullptr);
  EXPECT_EQ(GetPropValue(bf, "Key"), TPropValue(AnsiString("5820316497")));
  EXPECT_EQ(GetPropValue(bf, "Crc_Check"), TPropValue(false));
  EXPECT_EQ(GetPropValue(bf, "Compression"), TPropValue(false));
  EXPECT_EQ(GetPropValue(bf, "Tag"), TPropValue(std::int32_t{0}));
}

TEST(BlowfishPublished, SettersWriteTheFieldsAndNothingElse) {
  RegisterClass(TBlowfish::MetaClass());
  TBlowfish bf(nullptr);
  ASSERT_TRUE(bf.InitializeKey());
  qx::cipher::KeyState before;
  std::memcpy(&before, &bf.GetKeyState(), sizeof before);

  SetPropValue(bf, "Key", TPropValue("other\0key"s));
  SetPropValue(bf, "Crc_Check", TPropValue(true));
  SetPropValue(bf, "Compression", TPropValue(true));
  EXPECT_EQ(bf.Key, "other\0key"s);
  EXPECT_TRUE(bf.Crc_Check);
  EXPECT_TRUE(bf.Compression);
  // No setter functions: the key state changes only when a key schedule runs.
  EXPECT_EQ(std::memcmp(&before, &bf.GetKeyState(), sizeof before), 0);
  EXPECT_EQ(bf.GetErrorCode(), TBlowfish::ErrNone);
}

}  // namespace
