// Compression stage against zlib alone at the same settings, on the same record text.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "BenchData.h"
#include "Blowfish.h"

namespace {

using qx::bench::kBodySize;

// zlib as the compression stage drives it: default level, 4096-byte input pieces, then Z_FINISH.
std::vector<unsigned char> zlib_deflate(const std::vector<unsigned char>& in) {
  std::vector<unsigned char> out(compressBound(static_cast<uLong>(in.size())));
  z_stream s{};
  if (deflateInit(&s, Z_DEFAULT_COMPRESSION) != Z_OK) return {};
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  for (std::size_t off = 0; off < in.size(); off += 4096) {
    s.next_in = const_cast<unsigned char*>(in.data() + off);
    s.avail_in = static_cast<uInt>(std::min<std::size_t>(4096, in.size() - off));
    deflate(&s, Z_NO_FLUSH);
  }
  while (deflate(&s, Z_FINISH) == Z_OK) {
  }
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

bool zlib_inflate(const std::vector<unsigned char>& in, std::vector<unsigned char>& out) {
  z_stream s{};
  if (inflateInit(&s) != Z_OK) return false;
  s.next_in = const_cast<unsigned char*>(in.data());
  s.avail_in = static_cast<uInt>(in.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  // The whole stream in one call with Z_FINISH, as Decompress does: zlib then keeps no window.
  const int ret = inflate(&s, Z_FINISH);
  inflateEnd(&s);
  return ret == Z_STREAM_END;
}

void Zlib_deflate(benchmark::State& state) {
  const std::vector<unsigned char>& text = qx::bench::record_text();
  for (auto _ : state) benchmark::DoNotOptimize(zlib_deflate(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBodySize);
}
BENCHMARK(Zlib_deflate);

void Zlib_inflate(benchmark::State& state) {
  const std::vector<unsigned char> stream = zlib_deflate(qx::bench::record_text());
  std::vector<unsigned char> out(kBodySize);
  for (auto _ : state) {
    if (!zlib_inflate(stream, out)) {
      state.SkipWithError("inflate failed");
      break;
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBodySize);
}
BENCHMARK(Zlib_inflate);

void Compress(benchmark::State& state) {
  TBlowfish bf(nullptr);
  std::vector<unsigned char> text = qx::bench::record_text();
  for (auto _ : state) {
    std::uint32_t len = 0;
    int marker = 0;
    unsigned char* out = bf.Compress(text.data(), kBodySize, &len, &marker);
    if (out == nullptr || out == text.data()) {
      // Null is a failure; src itself means the text did not compress, and it is not ours to free.
      state.SkipWithError("record text did not compress");
      break;
    }
    std::free(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBodySize);
}
BENCHMARK(Compress);

void Decompress(benchmark::State& state) {
  TBlowfish bf(nullptr);
  std::vector<unsigned char> text = qx::bench::record_text();
  std::uint32_t len = 0;
  int marker = 0;
  unsigned char* packed = bf.Compress(text.data(), kBodySize, &len, &marker);
  if (packed == nullptr || packed == text.data()) {
    state.SkipWithError("record text did not compress");
    return;
  }
  for (auto _ : state) {
    unsigned char* out = bf.Decompress(packed, len, marker, kBodySize);
    if (out == nullptr) {
      state.SkipWithError("decompression failed");
      break;
    }
    std::free(out);
  }
  std::free(packed);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBodySize);
}
BENCHMARK(Decompress);

}  // namespace
