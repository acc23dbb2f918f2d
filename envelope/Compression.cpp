// zlib stage of the envelope codec: zero-filled data to a block-padded zlib stream and back.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "Blowfish.h"
#include "envelope/Format.h"
#include "envelope/Header.h"
#include "envelope/Scratch.h"
#include "envelope/ZlibAllocator.h"

using qx::envelope::kBlockSize;
using qx::envelope::WipedBuffer;
using qx::envelope::WipeOnExit;

namespace {

// Compress passes data between the caller's buffers and zlib through staging areas of this size.
constexpr std::size_t kStagingSize = 4096;
using Staging = std::array<unsigned char, kStagingSize>;

[[nodiscard]] constexpr std::uint64_t round_up_to_block(std::uint64_t n) noexcept {
  return (n + kBlockSize - 1) / kBlockSize * kBlockSize;
}

// Ends a zlib stream once, at the latest when the scope ends.
class StreamEnd {
 public:
  StreamEnd(z_stream& stream, int (*end)(z_streamp)) noexcept : stream_(stream), end_(end) {}
  ~StreamEnd() { finish(); }
  StreamEnd(const StreamEnd&) = delete;
  StreamEnd& operator=(const StreamEnd&) = delete;
  void finish() noexcept {
    if (end_ != nullptr) (void)end_(&stream_);
    end_ = nullptr;
  }

 private:
  z_stream& stream_;
  int (*end_)(z_streamp);
};

}  // namespace

unsigned char* TBlowfish::Compress(unsigned char* src, std::uint32_t size, std::uint32_t* result_len, int* marker) {
  FErrorCode = ErrNone;
  if (src == nullptr) {
    FErrorCode = ErrNullSource;
    return nullptr;
  }
  WipedBuffer work = WipedBuffer::allocate(size);
  if (!work) {
    FErrorCode = ErrNoMemory;
    return nullptr;
  }

  z_stream stream{};
  qx::envelope::use_wiping_allocator(stream);
  if (deflateInit(&stream, Z_DEFAULT_COMPRESSION) != Z_OK) {
    FErrorCode = ErrCompressInit;
    return nullptr;
  }
  StreamEnd stream_end(stream, deflateEnd);
  Staging in;
  Staging out;
  WipeOnExit wipe_in(in.data(), in.size());
  WipeOnExit wipe_out(out.data(), out.size());

  const auto not_worth_it = [&]() {
    *result_len = size;
    *marker = qx::envelope::kPlainMarker;
    return src;
  };
  std::uint64_t produced = 0;
  // Moves one deflate call's output into the work area. Once the block-rounded output reaches `size` the
  // result can only be "not worth it", so the work area is never written past its end.
  const auto append_output = [&]() -> bool {
    const std::size_t n = kStagingSize - stream.avail_out;
    if (round_up_to_block(produced + n) >= size) return false;
    std::memcpy(work.get() + produced, out.data(), n);
    produced += n;
    return true;
  };

  std::uint32_t consumed = 0;
  while (consumed < size) {
    const auto chunk = static_cast<uInt>(std::min<std::uint64_t>(size - consumed, kStagingSize));
    std::memcpy(in.data(), src + consumed, chunk);
    consumed += chunk;
    stream.next_in = in.data();
    stream.avail_in = chunk;
    do {
      stream.next_out = out.data();
      stream.avail_out = kStagingSize;
      const int ret = deflate(&stream, Z_NO_FLUSH);
      if (ret != Z_OK && ret != Z_STREAM_END) {
        FErrorCode = ErrCompress;
        return nullptr;
      }
      if (!append_output()) return not_worth_it();
    } while (stream.avail_out == 0);
    // deflate takes all its input whenever it leaves output space unused; anything else would spin.
    if (stream.avail_in != 0) {
      FErrorCode = ErrCompress;
      return nullptr;
    }
  }

  int ret = Z_OK;
  do {
    stream.next_out = out.data();
    stream.avail_out = kStagingSize;
    ret = deflate(&stream, Z_FINISH);
    if (ret != Z_OK && ret != Z_STREAM_END) {
      FErrorCode = ErrCompress;
      return nullptr;
    }
    if (!append_output()) return not_worth_it();
  } while (ret != Z_STREAM_END && stream.avail_out == 0);
  // An unfinished stream would be written as an envelope that can never be read.
  if (ret != Z_STREAM_END) {
    FErrorCode = ErrCompress;
    return nullptr;
  }

  const std::uint64_t filler = round_up_to_block(produced) - produced;
  std::memset(work.get() + produced, 0, filler);  // in bounds: the rounded length stayed below size
  const std::uint64_t padded = produced + filler;
  stream_end.finish();
  if (padded >= size) return not_worth_it();

  auto* result = static_cast<unsigned char*>(std::malloc(padded));
  if (result == nullptr) {
    FErrorCode = ErrNoMemory;
    return nullptr;
  }
  std::memcpy(result, work.get(), padded);
  *result_len = static_cast<std::uint32_t>(padded);
  *marker = static_cast<int>(filler);
  return result;
}

unsigned char* TBlowfish::Decompress(unsigned char* src, std::uint32_t len, int marker, std::uint32_t data_len) {
  FErrorCode = ErrNone;
  if (src == nullptr) {
    FErrorCode = ErrNullSource;
    return nullptr;
  }
  if (len % kBlockSize != 0) {
    FErrorCode = ErrBadLength;
    return nullptr;
  }
  // Checked before anything is allocated: a direct call must not be able to ask for gigabytes or a stream
  // that does not exist.
  if (data_len > MaxData || marker < 0 || marker > qx::envelope::kMaxFillerMarker || len == 0) {
    FErrorCode = ErrBadLength;
    return nullptr;
  }
  const std::uint64_t expected = qx::envelope::padded_length(data_len);
  WipedBuffer output = WipedBuffer::allocate(expected);
  if (!output) {
    FErrorCode = ErrNoMemory;
    return nullptr;
  }

  z_stream stream{};
  qx::envelope::use_wiping_allocator(stream);
  if (inflateInit(&stream) != Z_OK) {
    FErrorCode = ErrDecompressInit;
    return nullptr;
  }
  StreamEnd stream_end(stream, inflateEnd);

  // One call straight into the result: the whole stream is at hand and its length is known, so zlib needs no
  // window of its own (Z_FINISH) and nothing passes through a copy. The filler after the stream is never shown
  // to zlib; the output space is exactly the announced length, so a stream yielding more cannot end.
  stream.next_in = src;
  stream.avail_in = len - static_cast<std::uint32_t>(marker);
  stream.next_out = output.get();
  stream.avail_out = static_cast<uInt>(expected);
  const int ret = inflate(&stream, Z_FINISH);
  if (ret == Z_MEM_ERROR) {
    FErrorCode = ErrNoMemory;
    return nullptr;
  }
  // Input after the end of the stream means the body is not what the writer made; a stream cut short, or one
  // that yields fewer or more bytes than the header announced, is damaged.
  if (ret != Z_STREAM_END || stream.avail_in != 0 || stream.avail_out != 0) {
    FErrorCode = ErrDecompress;
    return nullptr;
  }
  stream_end.finish();
  return output.release();
}
