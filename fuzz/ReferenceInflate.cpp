// One-shot inflate with an output limit, written plainly on purpose: it has to be obviously right.
#include "fuzz/ReferenceInflate.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace qx::fuzz {

namespace {
// Deflate never expands data by more than a factor of about 1032, so a bigger output buffer is never needed.
constexpr std::size_t kMaxInflateRatio = 1100;
}  // namespace

InflateReference reference_inflate(const std::uint8_t* stream, std::size_t len, std::size_t limit) {
  InflateReference result{InflateEnd::kError, {}, len};
  // One byte beyond the limit tells an overflow from an exact fit.
  const std::size_t capacity = std::min(limit, len * kMaxInflateRatio + 1024) + 1;
  if (len > UINT_MAX || capacity > UINT_MAX) return result;  // never the case for envelope-sized inputs
  result.output.resize(capacity);

  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return result;
  zs.next_in = const_cast<Bytef*>(stream);
  zs.avail_in = static_cast<uInt>(len);
  zs.next_out = result.output.data();
  zs.avail_out = static_cast<uInt>(capacity);
  for (;;) {
    const uInt before_in = zs.avail_in;
    const uInt before_out = zs.avail_out;
    const int ret = inflate(&zs, Z_NO_FLUSH);
    if (ret == Z_STREAM_END) {
      result.end = InflateEnd::kStreamEnd;
      break;
    }
    if (ret != Z_OK && ret != Z_BUF_ERROR) {
      result.end = InflateEnd::kError;
      break;
    }
    if (zs.avail_out == 0) {
      result.end = InflateEnd::kOverflow;
      break;
    }
    if (zs.avail_in == 0 || (zs.avail_in == before_in && zs.avail_out == before_out)) {
      result.end = InflateEnd::kInputExhausted;
      break;
    }
  }
  result.output.resize(std::min<std::size_t>(capacity - zs.avail_out, limit));
  result.unused_input = zs.avail_in;
  inflateEnd(&zs);
  return result;
}

}  // namespace qx::fuzz
