// Hex and base64 encoders and tolerant decoders.
#include "api/TextEncoding.h"

#include <array>

namespace qx {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kInvalid = -1;

constexpr bool is_space(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

constexpr int hex_value(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return kInvalid;
}

constexpr std::array<int, 256> make_base64_values() noexcept {
  std::array<int, 256> values{};
  for (int& v : values) v = kInvalid;
  for (int i = 0; i < 64; ++i) values[static_cast<unsigned char>(kBase64Alphabet[i])] = i;
  return values;
}
constexpr std::array<int, 256> kBase64Values = make_base64_values();

}  // namespace

std::string to_hex(std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const std::uint8_t b : bytes) {
    text.push_back(kHexDigits[b >> 4]);
    text.push_back(kHexDigits[b & 0x0F]);
  }
  return text;
}

std::optional<std::vector<std::uint8_t>> from_hex(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  int high = kInvalid;
  for (const char c : text) {
    if (is_space(c)) continue;
    const int v = hex_value(c);
    if (v == kInvalid) return std::nullopt;
    if (high == kInvalid) {
      high = v;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high << 4 | v));
      high = kInvalid;
    }
  }
  if (high != kInvalid) return std::nullopt;
  return bytes;
}

std::string to_base64(std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; bytes.size() - i >= 3; i += 3) {
    const std::uint32_t group = std::uint32_t{bytes[i]} << 16 | std::uint32_t{bytes[i + 1]} << 8 | bytes[i + 2];
    for (int shift = 18; shift >= 0; shift -= 6) text.push_back(kBase64Alphabet[group >> shift & 0x3F]);
  }
  const std::size_t rest = bytes.size() - i;
  if (rest != 0) {
    std::uint32_t group = std::uint32_t{bytes[i]} << 16;
    if (rest == 2) group |= std::uint32_t{bytes[i + 1]} << 8;
    text.push_back(kBase64Alphabet[group >> 18 & 0x3F]);
    text.push_back(kBase64Alphabet[group >> 12 & 0x3F]);
    text.push_back(rest == 2 ? kBase64Alphabet[group >> 6 & 0x3F] : '=');
    text.push_back('=');
  }
  return text;
}

std::optional<std::vector<std::uint8_t>> from_base64(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() / 4 * 3 + 3);
  std::uint32_t group = 0;
  std::size_t digits = 0;   // in the current group of four
  std::size_t padding = 0;  // '=' seen; only whitespace and more '=' may follow
  for (const char c : text) {
    if (is_space(c)) continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    const int v = kBase64Values[static_cast<unsigned char>(c)];
    if (v == kInvalid || padding != 0) return std::nullopt;
    group = group << 6 | static_cast<std::uint32_t>(v);
    if (++digits == 4) {
      bytes.push_back(static_cast<std::uint8_t>(group >> 16));
      bytes.push_back(static_cast<std::uint8_t>(group >> 8));
      bytes.push_back(static_cast<std::uint8_t>(group));
      group = 0;
      digits = 0;
    }
  }
  // A final group of one digit carries no whole byte; padding must complete the last group exactly when present.
  if (digits == 1) return std::nullopt;
  if (padding != 0 && (digits < 2 || digits + padding != 4)) return std::nullopt;
  if (digits == 2) {
    bytes.push_back(static_cast<std::uint8_t>(group >> 4));
  } else if (digits == 3) {
    bytes.push_back(static_cast<std::uint8_t>(group >> 10));
    bytes.push_back(static_cast<std::uint8_t>(group >> 2));
  }
  return bytes;
}

}  // namespace qx
