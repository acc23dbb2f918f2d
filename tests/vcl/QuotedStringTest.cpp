// Quoting of string values in form text: exact forms, round trip of any bytes, refusal of malformed text.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "vcl/QuotedString.h"

namespace {

using namespace std::string_literals;

// Expected texts worked out by hand from the rule: printable ASCII quoted with ' doubled, other bytes #<decimal>.
struct QuotedCase {
  std::string value;
  std::string text;
};

const QuotedCase kQuotedCases[] = {
    {""s, "''"},
    {"5820316497"s, "'5820316497'"},
    {"it's"s, "'it''s'"},
    {"'"s, "''''"},
    {"a\nb"s, "'a'#10'b'"},
    {"\0"s, "#0"},
    {"key\0tail"s, "'key'#0'tail'"},
    {"\r\n"s, "#13#10"},
    {"\x7f\x80\xff"s, "#127#128#255"},
    {" #x= "s, "' #x= '"},
    {"\t'"s, "#9''''"},
};

TEST(QuotedString, WritesTheDocumentedForm) {
  for (const QuotedCase& c : kQuotedCases) {
    EXPECT_EQ(QuoteString(c.value), c.text);
    const TQuotedStringParse parsed = ParseQuotedString(c.text);
    EXPECT_TRUE(parsed.Error.empty()) << c.text << ": " << parsed.Error;
    EXPECT_EQ(parsed.Value, c.value) << c.text;
  }
}

TEST(QuotedString, AnyBytesRoundTripAsOneLineOfPrintableText) {
  std::mt19937 rng(20261211);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 80);
  // Biased toward the bytes the quoting treats specially, so their neighbours get exercised.
  const std::string special = "'#\0\n\r "s;
  for (int round = 0; round < 2000; ++round) {
    std::string value;
    const int n = length(rng);
    for (int i = 0; i < n; ++i) {
      value += (byte(rng) < 96) ? special[static_cast<std::size_t>(byte(rng)) % special.size()]
                                : static_cast<char>(byte(rng));
    }
    const std::string text = QuoteString(value);
    for (char ch : text) {
      const auto c = static_cast<unsigned char>(ch);
      ASSERT_TRUE(c >= 0x20 && c <= 0x7E) << "unprintable byte " << int{c} << " in " << text;
    }
    ASSERT_LE(text.size(), 4 * value.size() + 2);
    const TQuotedStringParse parsed = ParseQuotedString(text);
    ASSERT_TRUE(parsed.Error.empty()) << text;
    ASSERT_EQ(parsed.Value, value) << text;
  }
}

TEST(QuotedString, AcceptsEquivalentSpellings) {
  // Not what the writer produces, but unambiguous: leading zeros, and printable bytes given as codes.
  EXPECT_EQ(ParseQuotedString("#065#0000000000000000066").Value, "AB");
  EXPECT_EQ(ParseQuotedString("#97'b'#39").Value, "ab'");
}

TEST(QuotedString, RefusesMalformedText) {
  const std::string bad[] = {
      "",                             // no value at all
      "abc",                          // bare word
      "'abc",                         // unterminated
      "'''",                          // a doubled quote, then unterminated
      "'a' 'b'",                      // something between pieces
      "'a'x",                         // trailing garbage
      "#",                            // code missing
      "#-1",                          // not a decimal code
      "#256",                         // above a byte
      "#99999999999999999999999999",  // would overflow any integer
      "'a\nb'",                       // raw line feed inside quotes
      "'a\tb'",                       // raw tab inside quotes
      "'\xe9'",                       // raw non-ASCII inside quotes
      "'a\0b'"s,                      // raw zero byte inside quotes
  };
  for (const std::string& text : bad) {
    const TQuotedStringParse parsed = ParseQuotedString(text);
    EXPECT_FALSE(parsed.Error.empty()) << "accepted: " << text;
  }
}

}  // namespace
