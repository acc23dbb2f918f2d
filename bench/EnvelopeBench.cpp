// Whole envelopes: Encipher/Decipher (key state kept) and Auto_ (key schedule each call), for each size and each
// combination of checksum and compression.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "BenchData.h"
#include "Blowfish.h"

namespace {

// Arguments: data size, checksum on/off, compression on/off.
void EnvelopeArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"size", "crc", "zip"});
  for (int size : {64, 4096, 51200})
    for (int crc : {0, 1})
      for (int zip : {0, 1}) b->Args({size, crc, zip});
}

void configure(TBlowfish& bf, const benchmark::State& state) {
  bf.Key = qx::bench::kKeyText;
  bf.Crc_Check = state.range(1) != 0;
  bf.Compression = state.range(2) != 0;
}

template <bool Auto>
void EncipherEnvelope(benchmark::State& state) {
  TBlowfish bf(nullptr);
  configure(bf, state);
  if (!bf.InitializeKey()) state.SkipWithError("key schedule refused the key");
  const auto size = static_cast<std::uint32_t>(state.range(0));
  const std::vector<unsigned char>& text = qx::bench::record_text();
  for (auto _ : state) {
    std::uint32_t len = 0;
    unsigned char* out = Auto ? bf.Auto_Encipher(text.data(), size, &len) : bf.Encipher(text.data(), size, &len);
    if (out == nullptr) {
      state.SkipWithError("encipher failed");
      break;
    }
    benchmark::DoNotOptimize(out);
    std::free(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size);
}

template <bool Auto>
void DecipherEnvelope(benchmark::State& state) {
  TBlowfish bf(nullptr);
  configure(bf, state);
  if (!bf.InitializeKey()) state.SkipWithError("key schedule refused the key");
  const auto size = static_cast<std::uint32_t>(state.range(0));
  std::uint32_t env_len = 0;
  unsigned char* envelope = bf.Encipher(qx::bench::record_text().data(), size, &env_len);
  if (envelope == nullptr) {
    state.SkipWithError("encipher failed");
    return;
  }
  for (auto _ : state) {
    std::uint32_t len = 0;
    unsigned char* out = Auto ? bf.Auto_Decipher(envelope, env_len, &len) : bf.Decipher(envelope, env_len, &len);
    if (out == nullptr) {
      state.SkipWithError("decipher failed");
      break;
    }
    benchmark::DoNotOptimize(out);
    std::free(out);
  }
  std::free(envelope);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size);
}

BENCHMARK_TEMPLATE(EncipherEnvelope, false)->Name("Encipher")->Apply(EnvelopeArgs);
BENCHMARK_TEMPLATE(DecipherEnvelope, false)->Name("Decipher")->Apply(EnvelopeArgs);
BENCHMARK_TEMPLATE(EncipherEnvelope, true)->Name("Auto_Encipher")->Apply(EnvelopeArgs);
BENCHMARK_TEMPLATE(DecipherEnvelope, true)->Name("Auto_Decipher")->Apply(EnvelopeArgs);

}  // namespace
