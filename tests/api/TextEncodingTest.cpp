// Hex and base64 forms of envelopes: known answers, round trips, tolerated whitespace and refused text.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "api/TextEncoding.h"

namespace {

std::vector<std::uint8_t> bytes_of(std::string_view s) { return {s.begin(), s.end()}; }

// RFC 4648, section 10: the base16 and base64 test vectors.
struct Rfc4648Vector {
  const char* data;
  const char* base16;
  const char* base64;
};
constexpr Rfc4648Vector kRfc4648[] = {
    {"", "", ""},
    {"f", "66", "Zg=="},
    {"fo", "666F", "Zm8="},
    {"foo", "666F6F", "Zm9v"},
    {"foob", "666F6F62", "Zm9vYg=="},
    {"fooba", "666F6F6261", "Zm9vYmE="},
    {"foobar", "666F6F626172", "Zm9vYmFy"},
};

TEST(TextEncoding, Rfc4648Vectors) {
  for (const auto& v : kRfc4648) {
    const auto data = bytes_of(v.data);
    std::string lower = v.base16;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(qx::to_hex(data), lower) << v.data;
    EXPECT_EQ(qx::from_hex(v.base16), data) << v.data;
    EXPECT_EQ(qx::from_hex(lower), data) << v.data;
    EXPECT_EQ(qx::to_base64(data), v.base64) << v.data;
    EXPECT_EQ(qx::from_base64(v.base64), data) << v.data;
  }
}

TEST(TextEncoding, RoundTripsEveryLengthAndByteValue) {
  std::mt19937 rng(20261211);
  for (std::size_t n = 0; n < 300; ++n) {
    std::vector<std::uint8_t> data(n);
    for (auto& b : data) b = static_cast<std::uint8_t>(rng());
    EXPECT_EQ(qx::from_hex(qx::to_hex(data)), data) << n;
    EXPECT_EQ(qx::from_base64(qx::to_base64(data)), data) << n;
  }
  std::vector<std::uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(qx::from_hex(qx::to_hex(all)), all);
  EXPECT_EQ(qx::from_base64(qx::to_base64(all)), all);
}

// Text columns and files bring line breaks, wrapping and trailing newlines with them.
TEST(TextEncoding, AcceptsWhitespaceAndMissingPadding) {
  const auto foobar = bytes_of("foobar");
  for (const char* text : {"666f6f626172\n", "  666f6f626172\r\n", "666f6f\n626172", "\t66 6f 6f 62 61 72 "}) {
    EXPECT_EQ(qx::from_hex(text), foobar) << text;
  }
  for (const char* text : {"Zm9vYmFy\n", " Zm9v\r\nYmFy ", "Zm9v\nYmFy\n\n"}) {
    EXPECT_EQ(qx::from_base64(text), foobar) << text;
  }
  EXPECT_EQ(qx::from_base64("Zm9vYg"), bytes_of("foob"));
  EXPECT_EQ(qx::from_base64("Zm9vYmE"), bytes_of("fooba"));
  EXPECT_EQ(qx::from_base64("Zm9vYg==\n"), bytes_of("foob"));
}

TEST(TextEncoding, RefusesWhatNoEncoderWrites) {
  for (const char* text : {"6", "666", "6g", "0x66", "66-6f", "\xc3\xa9"}) {
    EXPECT_FALSE(qx::from_hex(text).has_value()) << text;
  }
  for (const char* text : {"Z", "Zm9vY", "Zm9v=", "Zg=a", "Zm9v====", "====", "Z===", "Zm-v", "Zm9v_mFy", "Zg==Zg=="}) {
    EXPECT_FALSE(qx::from_base64(text).has_value()) << text;
  }
}

}  // namespace
