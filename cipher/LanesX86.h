// Four-block kernels for x86-64, hand-scheduled, with a portable fallback chosen at run time.
#pragma once

#include <cstddef>
#include <cstdint>

class TBlowfish;

namespace qx::cipher {

// Blocks are independent (no chaining), so several go through the rounds together and the table loads of one
// hide the latency of the others. Four keep all eight halves in registers beside the table bases; AVX2 gathers,
// alone or beside scalar lanes, measured slower than scalar loads on the target machine.
inline constexpr std::size_t kLanes = 4;

// Enciphers or deciphers four independent blocks (l[k], r[k]) under the object's key state, with the results
// of Blowfish_encipher / Blowfish_decipher on each.
using LaneKernel = void (*)(const TBlowfish& cipher, std::uint32_t (&l)[kLanes], std::uint32_t (&r)[kLanes]) noexcept;

struct LaneKernels {
  LaneKernel encipher;
  LaneKernel decipher;
};

// The compiler-scheduled kernels, valid everywhere.
[[nodiscard]] LaneKernels portable_lane_kernels() noexcept;
// The hand-scheduled kernels where this build and processor can run them (x86-64 with BMI1), else the portable
// ones. Decided once per process.
[[nodiscard]] LaneKernels fast_lane_kernels() noexcept;
// Whether fast_lane_kernels() returns something other than the portable kernels.
[[nodiscard]] bool have_x86_lane_kernels() noexcept;

}  // namespace qx::cipher
