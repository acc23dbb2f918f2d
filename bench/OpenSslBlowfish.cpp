// Reference point: standard Blowfish from OpenSSL's libcrypto, ECB over the same body and its key setup.
#include <benchmark/benchmark.h>

// The BF interface is deprecated in OpenSSL 3 but still the standard Blowfish users would compare against.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/blowfish.h>

#include <cstring>
#include <vector>

#include "BenchData.h"

namespace {

using qx::bench::kBodySize;

// One block per call, as OpenSSL's ECB interface offers it; `direction` is BF_ENCRYPT or BF_DECRYPT.
void OpenSSL_BF_ecb(benchmark::State& state, int direction) {
  BF_KEY key;
  BF_set_key(&key, static_cast<int>(std::strlen(qx::bench::kKeyText)),
             reinterpret_cast<const unsigned char*>(qx::bench::kKeyText));
  std::vector<unsigned char> buf = qx::bench::random_bytes();
  for (auto _ : state) {
    for (std::size_t off = 0; off < kBodySize; off += 8)
      BF_ecb_encrypt(buf.data() + off, buf.data() + off, &key, direction);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBodySize);
}

void OpenSSL_BF_ecb_encrypt(benchmark::State& state) { OpenSSL_BF_ecb(state, BF_ENCRYPT); }
BENCHMARK(OpenSSL_BF_ecb_encrypt);

void OpenSSL_BF_ecb_decrypt(benchmark::State& state) { OpenSSL_BF_ecb(state, BF_DECRYPT); }
BENCHMARK(OpenSSL_BF_ecb_decrypt);

void OpenSSL_BF_set_key(benchmark::State& state) {
  BF_KEY key;
  const auto len = static_cast<int>(std::strlen(qx::bench::kKeyText));
  for (auto _ : state) {
    BF_set_key(&key, len, reinterpret_cast<const unsigned char*>(qx::bench::kKeyText));
    benchmark::DoNotOptimize(key);
  }
}
BENCHMARK(OpenSSL_BF_set_key);

}  // namespace
