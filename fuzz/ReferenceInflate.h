// Straightforward one-shot inflate, the yardstick the harnesses hold the compression stage against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qx::fuzz {

enum class InflateEnd {
  kStreamEnd,       // the zlib stream ended properly
  kInputExhausted,  // the input ran out before the stream ended
  kError,           // zlib reported a damaged stream (or one that needs a preset dictionary)
  kOverflow,        // the stream yields more than `limit` bytes
};

struct InflateReference {
  InflateEnd end;
  std::vector<std::uint8_t> output;  // what was produced, at most `limit` bytes
  std::size_t unused_input = 0;      // bytes left over after the stream ended or the output overflowed
};

// Inflates the zlib stream of `len` bytes at `stream`, producing at most `limit` bytes. Any input that follows
// the end of the stream is ignored.
[[nodiscard]] InflateReference reference_inflate(const std::uint8_t* stream, std::size_t len, std::size_t limit);

}  // namespace qx::fuzz
