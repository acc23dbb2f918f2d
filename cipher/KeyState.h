// The key state of one cipher object: P-array followed by the four S-boxes, and the derived reduced boxes.
#pragma once

#include <cstdint>

namespace qx::cipher {

inline constexpr int kRounds = 16;
inline constexpr int kPWords = kRounds + 2;
inline constexpr int kBoxes = 4;
inline constexpr int kBoxWords = 256;

// F reduces S0 and S2 entries modulo this decimal number (not 2^32).
inline constexpr std::uint32_t kBoxModulus = 232;

struct KeyState {
  std::uint32_t P[kPWords];
  std::uint32_t S[kBoxes][kBoxWords];
};

static_assert(sizeof(KeyState) == 4 * (kPWords + kBoxes * kBoxWords), "P and S must be packed words");

// S0 and S2 already reduced modulo kBoxModulus, so that no division is left in the round function. Derived
// from a KeyState and rebuilt whenever it changes; never part of what GetKeyState() shows.
struct ReducedBoxes {
  std::uint32_t S0[kBoxWords];
  std::uint32_t S2[kBoxWords];
};

// The fast block paths read an object's key state and reduced boxes through this friend of TBlowfish.
struct KeyStateAccess;

}  // namespace qx::cipher
