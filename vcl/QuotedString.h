// String values of form text: quoted runs of printable characters and #nnn byte codes, e.g. 'it''s'#10'ok'.
#pragma once

#include <string>
#include <string_view>

#include "vcl/AnsiString.h"

// Writes value so that any byte survives: printable ASCII (0x20..0x7E) goes inside quotes with the quote
// doubled, every other byte becomes #<decimal>, and adjacent pieces are joined without spaces. The result is
// printable ASCII only, so it never spans a line. The empty string is ''.
[[nodiscard]] std::string QuoteString(const AnsiString& value);

struct TQuotedStringParse {
  AnsiString Value;
  std::string_view Error;  // empty on success, else why the text is not a string value
};

// Reads exactly what QuoteString writes: the whole of text must be one or more pieces with nothing between
// them; byte codes are 0..255 in decimal. Raw control or non-ASCII bytes inside quotes are refused.
[[nodiscard]] TQuotedStringParse ParseQuotedString(std::string_view text);
