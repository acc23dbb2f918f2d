// Division-free round function and interleaved block transforms over an object's key state.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Blowfish.h"

namespace qx::cipher {

// Everything here reads the reduced boxes, which ResetBox and IniitializeBlowfish keep equal to S0 and S2
// mod 232, so the results are those of the round function as defined, without a division per lookup.
struct KeyStateAccess {
  [[nodiscard]] static const KeyState& key_state(const TBlowfish& cipher) noexcept { return cipher.FKeyState; }
  [[nodiscard]] static const ReducedBoxes& reduced_boxes(const TBlowfish& cipher) noexcept { return cipher.FReduced; }

  // Both operands are addressed from the object so one base register serves all five tables.
  [[nodiscard, gnu::always_inline]] static inline std::uint32_t round(const TBlowfish& cipher,
                                                                      std::uint32_t x) noexcept {
    const auto& S = cipher.FKeyState.S;
    const auto& Z = cipher.FReduced;
    // Indexes taken from a 64-bit copy: the compiler then needs no extra zero extension per lookup.
    const std::uint64_t w = x;
    return ((Z.S2[(w >> 16) & 0xFF] + S[3][w >> 24]) ^ S[1][(w >> 8) & 0xFF]) + Z.S0[w & 0xFF];
  }

  // Enciphers N independent blocks at once. Lanes share no data, so their lookups overlap and the load latency
  // of one round is hidden behind the others. Each half-round is written as x[n+1] = (x[n-1] ^ P[n+1]) ^ F(x[n])
  // so that only F and one XOR lie on the serial chain.
  template <std::size_t N>
  [[gnu::always_inline]] static inline void encipher(const TBlowfish& cipher, std::uint32_t (&l)[N],
                                                     std::uint32_t (&r)[N]) noexcept {
    const auto& P = cipher.FKeyState.P;
    for (std::size_t k = 0; k < N; ++k) l[k] ^= P[0];
#pragma GCC unroll 8
    for (int i = 0; i < kRounds; i += 2) {
      for (std::size_t k = 0; k < N; ++k) r[k] = (r[k] ^ P[i + 1]) ^ round(cipher, l[k]);
      for (std::size_t k = 0; k < N; ++k) l[k] = (l[k] ^ P[i + 2]) ^ round(cipher, r[k]);
    }
    // l now carries P[16]; the halves leave exchanged, the left one whitened with P[17].
    for (std::size_t k = 0; k < N; ++k) {
      const std::uint32_t left = r[k] ^ P[kPWords - 1];
      r[k] = l[k];
      l[k] = left;
    }
  }

  // The inverse of encipher: the same structure with the P-array taken from the end.
  template <std::size_t N>
  [[gnu::always_inline]] static inline void decipher(const TBlowfish& cipher, std::uint32_t (&l)[N],
                                                     std::uint32_t (&r)[N]) noexcept {
    const auto& P = cipher.FKeyState.P;
    for (std::size_t k = 0; k < N; ++k) l[k] ^= P[17];
#pragma GCC unroll 8
    for (int i = 17; i > 1; i -= 2) {
      for (std::size_t k = 0; k < N; ++k) r[k] = (r[k] ^ P[i - 1]) ^ round(cipher, l[k]);
      for (std::size_t k = 0; k < N; ++k) l[k] = (l[k] ^ P[i - 2]) ^ round(cipher, r[k]);
    }
    // l now carries P[1].
    for (std::size_t k = 0; k < N; ++k) {
      const std::uint32_t left = r[k] ^ P[0];
      r[k] = l[k];
      l[k] = left;
    }
  }
};

}  // namespace qx::cipher
