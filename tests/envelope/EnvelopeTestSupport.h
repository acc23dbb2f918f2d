// Helpers shared by the envelope tests: byte strings, test data and ownership of malloc'd results.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace qx::test {

using Bytes = std::vector<unsigned char>;

struct FreeDeleter {
  void operator()(unsigned char* p) const noexcept { std::free(p); }
};
// Owns a buffer returned by the library.
using Owned = std::unique_ptr<unsigned char, FreeDeleter>;

inline Bytes FromHex(const std::string& hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

inline Bytes FromText(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline Bytes RandomBytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<unsigned char>(rng());
  return out;
}

// Text-like data that zlib shrinks a lot.
inline Bytes CompressibleBytes(std::size_t n) {
  static const std::string kPhrase = "the quick brown fox jumps over the lazy dog; ";
  Bytes out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<unsigned char>(kPhrase[(i * 7 / 5) % kPhrase.size()]);
  return out;
}

inline Bytes Copy(const unsigned char* p, std::size_t n) { return Bytes(p, p + n); }

}  // namespace qx::test
