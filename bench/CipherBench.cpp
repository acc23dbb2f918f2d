// Block transform over a whole body and the key schedule.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "BenchData.h"
#include "Blowfish.h"
#include "envelope/BodyTransform.h"

namespace {

using qx::bench::kBodySize;

void BodyTransform_encipher(benchmark::State& state) {
  TBlowfish bf(nullptr);
  bf.Key = qx::bench::kKeyText;
  if (!bf.InitializeKey()) state.SkipWithError("key schedule refused the key");
  std::vector<unsigned char> buf = qx::bench::random_bytes();
  for (auto _ : state) {
    qx::envelope::encipher_body(bf, buf.data(), buf.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBodySize);
}
BENCHMARK(BodyTransform_encipher);

void BodyTransform_decipher(benchmark::State& state) {
  TBlowfish bf(nullptr);
  bf.Key = qx::bench::kKeyText;
  if (!bf.InitializeKey()) state.SkipWithError("key schedule refused the key");
  std::vector<unsigned char> buf = qx::bench::random_bytes();
  for (auto _ : state) {
    qx::envelope::decipher_body(bf, buf.data(), buf.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBodySize);
}
BENCHMARK(BodyTransform_decipher);

// The schedule alone, from the same key text as OpenSSL_BF_set_key gets.
void KeySchedule(benchmark::State& state) {
  TBlowfish bf(nullptr);
  const auto len = static_cast<short>(std::strlen(qx::bench::kKeyText));
  for (auto _ : state) {
    bf.IniitializeBlowfish(qx::bench::kKeyText, len);
    benchmark::DoNotOptimize(bf.GetKeyState());
  }
}
BENCHMARK(KeySchedule);

}  // namespace
