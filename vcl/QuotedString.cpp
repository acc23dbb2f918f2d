// Quoting and unquoting string values of form text.
#include "vcl/QuotedString.h"

#include <cstdint>

namespace {

constexpr bool IsPrintable(unsigned char c) noexcept { return c >= 0x20 && c <= 0x7E; }

}  // namespace

std::string QuoteString(const AnsiString& value) {
  if (value.empty()) {
    return "''";
  }
  std::string out;
  // Every byte costs at most 4 characters ('x', four quotes, #255); reserving once means no reallocation
  // leaves a stray copy of a secret value in freed memory.
  out.reserve(4 * value.size());
  bool in_quotes = false;
  for (char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsPrintable(c)) {
      if (!in_quotes) {
        out += '\'';
        in_quotes = true;
      }
      out += ch;
      if (c == '\'') {
        out += '\'';
      }
    } else {
      if (in_quotes) {
        out += '\'';
        in_quotes = false;
      }
      out += '#';
      out += std::to_string(c);
    }
  }
  if (in_quotes) {
    out += '\'';
  }
  return out;
}

TQuotedStringParse ParseQuotedString(std::string_view text) {
  TQuotedStringParse result;
  if (text.empty()) {
    result.Error = "empty string value";
    return result;
  }
  result.Value.reserve(text.size());  // never longer than its text, so no reallocation copies
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (c == '\'') {
      ++pos;
      for (;;) {
        if (pos == text.size()) {
          result.Error = "unterminated quoted string";
          return result;
        }
        const auto q = static_cast<unsigned char>(text[pos]);
        if (q == '\'') {
          if (pos + 1 < text.size() && text[pos + 1] == '\'') {
            result.Value += '\'';
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        if (!IsPrintable(q)) {
          result.Error = "control or non-ASCII byte inside quotes (write it as #code)";
          return result;
        }
        result.Value += static_cast<char>(q);
        ++pos;
      }
    } else if (c == '#') {
      ++pos;
      std::uint32_t code = 0;
      std::size_t digits = 0;
      while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        // Checked before each step so a long run of digits cannot overflow.
        code = code * 10 + static_cast<std::uint32_t>(text[pos] - '0');
        if (code > 255) {
          result.Error = "byte code above 255";
          return result;
        }
        ++digits;
        ++pos;
      }
      if (digits == 0) {
        result.Error = "# without a byte code";
        return result;
      }
      result.Value += static_cast<char>(static_cast<unsigned char>(code));
    } else {
      result.Error = "string value must be made of 'quoted' text and #codes";
      return result;
    }
  }
  return result;
}
