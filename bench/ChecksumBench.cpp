// Summed CRC over a whole body, against the plain byte-at-a-time table loop.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "BenchData.h"
#include "Blowfish.h"
#include "envelope/CrcTable.h"

namespace {

using qx::bench::kBodySize;

void SummedCrc(benchmark::State& state) {
  TBlowfish bf(nullptr);
  const std::vector<unsigned char>& data = qx::bench::random_bytes();
  for (auto _ : state) {
    benchmark::DoNotOptimize(bf.CRC(data.data(), static_cast<std::uint32_t>(data.size())));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBodySize);
}
BENCHMARK(SummedCrc);

// Reference point: the textbook loop, one table lookup per byte with the register as the only state.
[[gnu::noinline]] std::uint32_t plain_summed_crc(const unsigned char* data, std::size_t len) {
  std::uint16_t crc = 0;
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < len; ++i) {
    crc = static_cast<std::uint16_t>((crc << 8) ^ qx::envelope::kCrcTable[(crc >> 8) ^ data[i]]);
    sum += crc;
  }
  return sum;
}

void PlainCrcLoop(benchmark::State& state) {
  const std::vector<unsigned char>& data = qx::bench::random_bytes();
  for (auto _ : state) {
    benchmark::DoNotOptimize(plain_summed_crc(data.data(), data.size()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBodySize);
}
BENCHMARK(PlainCrcLoop);

}  // namespace
