// qx::Error and the message of every component error code.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Blowfish.h"
#include "api/Error.h"

namespace {

TEST(ErrorMessage, EveryCodeHasItsOwnMessage) {
  std::set<std::string> seen;
  for (int code = TBlowfish::ErrNone; code <= TBlowfish::ErrDecompress; ++code) {
    const std::string message(qx::error_message(code));
    EXPECT_FALSE(message.empty()) << code;
    EXPECT_NE(message, "unknown error") << code;
    EXPECT_TRUE(seen.insert(message).second) << "code " << code << " repeats \"" << message << "\"";
  }
}

// The messages people act on: each names the likely cause.
TEST(ErrorMessage, NamesTheCause) {
  EXPECT_EQ(qx::error_message(TBlowfish::ErrChecksum), "checksum mismatch: wrong key or damaged data");
  EXPECT_NE(qx::error_message(TBlowfish::ErrKeyTooLong).find("56"), std::string_view::npos);
  EXPECT_NE(qx::error_message(TBlowfish::ErrTooLong).find("51200"), std::string_view::npos);
  EXPECT_NE(qx::error_message(TBlowfish::ErrNoMagic).find("magic"), std::string_view::npos);
  EXPECT_NE(qx::error_message(TBlowfish::ErrOldVersion).find("version"), std::string_view::npos);
}

TEST(ErrorMessage, CodesOutsideTheTableAreUnknown) {
  for (const int code : {-1, 13, 1000}) {
    EXPECT_EQ(qx::error_message(code), "unknown error") << code;
  }
}

TEST(Error, CarriesCodeAndMessage) {
  try {
    throw qx::Error(TBlowfish::ErrChecksum);
  } catch (const std::runtime_error& e) {
    const auto* error = dynamic_cast<const qx::Error*>(&e);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code(), TBlowfish::ErrChecksum);
    EXPECT_EQ(std::string(e.what()), qx::error_message(TBlowfish::ErrChecksum));
  }
}

}  // namespace
