// Deterministic inputs shared by the benchmarks, so every figure of one run works on the same bytes.
#pragma once

#include <cstddef>
#include <vector>

namespace qx::bench {

inline constexpr std::size_t kBodySize = 51200;  // MaxData: the largest body an envelope carries
inline constexpr const char* kKeyText = "5820316497";

// Uniformly random bytes (fixed seed): what an enciphered body looks like to the cipher and the checksum.
[[nodiscard]] const std::vector<unsigned char>& random_bytes();
// Record-like text (words, numbers, separators) that zlib compresses to roughly a third, as stored records do.
[[nodiscard]] const std::vector<unsigned char>& record_text();

}  // namespace qx::bench
