// TBlowfish in form text: Key always written, defaults left out, any Key bytes surviving the round trip.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Blowfish.h"
#include "vcl/ClassRegistry.h"
#include "vcl/FormText.h"

namespace {

using namespace std::string_literals;

TBlowfish& Cipher(const TComponent& form, std::size_t index) {
  auto* bf = dynamic_cast<TBlowfish*>(form.GetComponent(index));
  if (bf == nullptr) {
    throw std::logic_error("not a TBlowfish");
  }
  return *bf;
}

TEST(BlowfishForm, TwoComponentsWithDefaultAndChangedValuesRoundTrip) {
  RegisterClass(TBlowfish::MetaClass());
  TComponent form(nullptr);
  form.Name = "Form1";
  auto* plain = new TBlowfish(&form);
  plain->Name = "Cipher1";
  auto* changed = new TBlowfish(&form);
  changed->Name = "Cipher2";
  changed->Tag = 7;
  changed->Key = "a'b\n\0c"s;
  changed->Crc_Check = true;
  changed->Compression = true;

  const std::string text = WriteComponentText(form);
  // Key has no recorded default, so even the constructed key is written; false flags and Tag 0 are not.
  EXPECT_EQ(text,
            "object Form1: TComponent\n"
            "  object Cipher1: TBlowfish\n"
            "    Key = '5820316497'\n"
            "  end\n"
            "  object Cipher2: TBlowfish\n"
            "    Tag = 7\n"
            "    Key = 'a''b'#10#0'c'\n"
            "    Crc_Check = True\n"
            "    Compression = True\n"
            "  end\n"
            "end\n");

  const std::unique_ptr<TComponent> read = ReadComponentText(text);
  ASSERT_EQ(read->GetComponentCount(), 2u);
  const TBlowfish& first = Cipher(*read, 0);
  const TBlowfish& second = Cipher(*read, 1);
  EXPECT_EQ(first.Name, "Cipher1");
  EXPECT_EQ(first.Key, "5820316497");
  EXPECT_FALSE(first.Crc_Check);
  EXPECT_FALSE(first.Compression);
  EXPECT_EQ(first.Tag, 0);
  EXPECT_EQ(second.Name, "Cipher2");
  EXPECT_EQ(second.Key, "a'b\n\0c"s);
  EXPECT_TRUE(second.Crc_Check);
  EXPECT_TRUE(second.Compression);
  EXPECT_EQ(second.Tag, 7);
  EXPECT_EQ(WriteComponentText(*read), text);
}

std::string AllBytes() {
  std::string s;
  for (int b = 255; b >= 0; --b) {
    s += static_cast<char>(b);
  }
  return s;
}

// Keys that could confuse a line-based text form or a C-string based one.
const std::string kHostileKeys[] = {
    ""s,
    "'"s,
    "''"s,
    "\0"s,
    "key\0hidden tail"s,
    "line one\nend\nobject X: TBlowfish"s,
    "\r\n\t "s,
    " padded "s,
    "#65"s,
    "Key = 'x'"s,
    std::string(57, 'k'),  // longer than a usable key: still a value the
                           // property may hold
    AllBytes(),
};

TEST(BlowfishForm, HostileKeysSurviveAndScheduleTheSameKey) {
  RegisterClass(TBlowfish::MetaClass());
  for (const std::string& key : kHostileKeys) {
    SCOPED_TRACE(testing::PrintToString(key));
    TComponent form(nullptr);
    auto* original = new TBlowfish(&form);
    original->Name = "B";
    original->Key = key;
    const std::string text = WriteComponentText(form);
    const std::unique_ptr<TComponent> read = ReadComponentText(text);
    ASSERT_EQ(read->GetComponentCount(), 1u);
    TBlowfish& copy = Cipher(*read, 0);
    EXPECT_EQ(copy.Key, key);

    // The key text (Key up to its first zero byte) is what matters to the cipher: both schedule alike.
    const bool original_ok = original->InitializeKey();
    EXPECT_EQ(copy.InitializeKey(), original_ok);
    EXPECT_EQ(copy.GetErrorCode(), original->GetErrorCode());
    EXPECT_EQ(std::memcmp(&copy.GetKeyState(), &original->GetKeyState(), sizeof(qx::cipher::KeyState)), 0);
  }
}

TEST(BlowfishForm, UnlistedPropertiesKeepTheirConstructedValues) {
  RegisterClass(TBlowfish::MetaClass());
  const std::unique_ptr<TComponent> read = ReadComponentText("object B: TBlowfish\nend\n");
  auto* bf = dynamic_cast<TBlowfish*>(read.get());
  ASSERT_NE(bf, nullptr);
  EXPECT_EQ(bf->Key, "5820316497");
  EXPECT_FALSE(bf->Crc_Check);
  EXPECT_FALSE(bf->Compression);
}

}  // namespace
