// Block transform over a whole body and the key schedule.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "BenchData.h"
#include "Blowfish.h"
#include "cipher/LanesX86.h"
#include "envelope/BodyTransform.h"

namespace {

using qx::bench::kBodySize;

// The body transform with the given kernels; the figure of record uses the library's own choice.
template <bool portable, auto transform>
void body_transform(benchmark::State& state) {
  TBlowfish bf(nullptr);
  bf.Key = qx::bench::kKeyText;
  if (!bf.InitializeKey()) state.SkipWithError("key schedule refused the key");
  const qx::cipher::LaneKernels kernels =
      portable ? qx::cipher::portable_lane_kernels() : qx::cipher::fast_lane_kernels();
  std::vector<unsigned char> buf = qx::bench::random_bytes();
  for (auto _ : state) {
    transform(bf, kernels, buf.data(), buf.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBodySize);
}

void BodyTransform_encipher(benchmark::State& state) { body_transform<false, qx::envelope::encipher_body_with>(state); }
BENCHMARK(BodyTransform_encipher);

void BodyTransform_decipher(benchmark::State& state) { body_transform<false, qx::envelope::decipher_body_with>(state); }
BENCHMARK(BodyTransform_decipher);

// The compiler-scheduled kernels, for comparison with the hand-scheduled ones.
void BodyTransform_encipher_portable(benchmark::State& state) {
  body_transform<true, qx::envelope::encipher_body_with>(state);
}
BENCHMARK(BodyTransform_encipher_portable);

void BodyTransform_decipher_portable(benchmark::State& state) {
  body_transform<true, qx::envelope::decipher_body_with>(state);
}
BENCHMARK(BodyTransform_decipher_portable);

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
