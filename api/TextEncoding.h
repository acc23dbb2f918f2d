// Hex and base64 text forms of envelopes, for storing them in text columns and passing them through text channels.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

// Lower-case hex, two digits per byte, no separators.
[[nodiscard]] std::string to_hex(std::span<const std::uint8_t> bytes);
// Accepts either case and ASCII whitespace anywhere (line breaks of wrapped columns, a trailing newline);
// nullopt for any other character or an odd number of digits.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> from_hex(std::string_view text);

// Standard base64 (RFC 4648 alphabet) with '=' padding, on one line.
[[nodiscard]] std::string to_base64(std::span<const std::uint8_t> bytes);
// Accepts ASCII whitespace anywhere and missing padding; nullopt for characters outside the alphabet, padding
// anywhere but at the end, or a length no encoder produces.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> from_base64(std::string_view text);

}  // namespace qx
