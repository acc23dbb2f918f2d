// libFuzzer entry point; each fuzz_<what> executable compiles this file with QX_FUZZ_HARNESS naming its harness.
#include <cstddef>
#include <cstdint>

#include "fuzz/Harnesses.h"

#ifndef QX_FUZZ_HARNESS
#error "QX_FUZZ_HARNESS must name the harness function"
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QX_FUZZ_HARNESS(data, size);
  return 0;
}
