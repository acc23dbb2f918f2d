// Four-block kernels for x86-64. The compiler keeps every half in a register but spends about sixteen
// instructions per round on moves and byte extraction; these spend nine: BEXTR takes a byte out of a half
// without a copy, each S-box operand comes straight from memory, and the round key is XORed from memory too.
// The order of the table operations and the round keys is that of KeyStateAccess::encipher/decipher exactly.
#include "cipher/LanesX86.h"

#include <cstddef>

#include "Blowfish.h"
#include "cipher/KeyStateAccess.h"

namespace qx::cipher {
namespace {

void encipher_portable(const TBlowfish& cipher, std::uint32_t (&l)[kLanes], std::uint32_t (&r)[kLanes]) noexcept {
  KeyStateAccess::encipher(cipher, l, r);
}

void decipher_portable(const TBlowfish& cipher, std::uint32_t (&l)[kLanes], std::uint32_t (&r)[kLanes]) noexcept {
  KeyStateAccess::decipher(cipher, l, r);
}

#if defined(__x86_64__)

// Byte offsets of the boxes the round function reads, from the two bases the kernels hold.
constexpr std::size_t kS1 = offsetof(KeyState, S) + 1 * sizeof(KeyState::S[0]);
constexpr std::size_t kS3 = offsetof(KeyState, S) + 3 * sizeof(KeyState::S[0]);
constexpr std::size_t kZ0 = offsetof(ReducedBoxes, S0);
constexpr std::size_t kZ2 = offsetof(ReducedBoxes, S2);
// The round keys are addressed by byte offsets written into the code; the key state must start with P.
static_assert(offsetof(KeyState, P) == 0 && kPWords == 18);

// BEXTR controls: start bit in the low byte, length 8 in the next.
constexpr std::uint32_t kByte2 = 0x0810;
constexpr std::uint32_t kByte1 = 0x0808;

// clang-format off

// One half-round on one lane: Y ^= P[word] ^ F(X), with F(x) = ((S3[a] + Z2[b]) ^ S1[c]) + Z0[d] for the bytes
// a..d of x from the top. t1 carries each index in turn; register renaming keeps the lanes apart.
#define QX_HALF_ROUND(X, Y, POFF)                                       \
  "movl %k[" X "], %k[t1]\n\t"                                          \
  "shrl $24, %k[t1]\n\t"                                                \
  "movl %c[s3](%[ks],%q[t1],4), %k[t0]\n\t"                             \
  "bextr %k[at16], %k[" X "], %k[t1]\n\t"                               \
  "addl %c[z2](%[rb],%q[t1],4), %k[t0]\n\t"                             \
  "bextr %k[at8], %k[" X "], %k[t1]\n\t"                                \
  "xorl %c[s1](%[ks],%q[t1],4), %k[t0]\n\t"                             \
  "movzbl %b[" X "], %k[t1]\n\t"                                        \
  "addl %c[z0](%[rb],%q[t1],4), %k[t0]\n\t"                             \
  "xorl " POFF "(%[ks]), %k[" Y "]\n\t"                                 \
  "xorl %k[t0], %k[" Y "]\n\t"

#define QX_LANES(X, Y, POFF)                                            \
  QX_HALF_ROUND(X "0", Y "0", POFF) QX_HALF_ROUND(X "1", Y "1", POFF)   \
  QX_HALF_ROUND(X "2", Y "2", POFF) QX_HALF_ROUND(X "3", Y "3", POFF)

#define QX_WHITEN_L(POFF)                                               \
  "xorl " POFF "(%[ks]), %k[l0]\n\t" "xorl " POFF "(%[ks]), %k[l1]\n\t" \
  "xorl " POFF "(%[ks]), %k[l2]\n\t" "xorl " POFF "(%[ks]), %k[l3]\n\t"

// Two half-rounds: r from l with the P word at byte offset PA, then l from r with the one at PB.
#define QX_ROUND_PAIR(PA, PB) QX_LANES("l", "r", PA) QX_LANES("r", "l", PB)

#define QX_LANE_OPERANDS                                                                                    \
  : [l0] "+r"(l[0]), [l1] "+r"(l[1]), [l2] "+r"(l[2]), [l3] "+r"(l[3]),                                   \
    [r0] "+r"(r[0]), [r1] "+r"(r[1]), [r2] "+r"(r[2]), [r3] "+r"(r[3]), [t0] "=&r"(t0), [t1] "=&r"(t1)   \
  : [ks] "r"(&ks), [rb] "r"(&rb), [at16] "r"(kByte2), [at8] "r"(kByte1),                                  \
    [s1] "i"(kS1), [s3] "i"(kS3), [z0] "i"(kZ0), [z2] "i"(kZ2)                                            \
  : "memory"


template <bool kEncipher>
void transform_x86(const TBlowfish& cipher, std::uint32_t (&l)[kLanes], std::uint32_t (&r)[kLanes]) noexcept {
  const KeyState& ks = KeyStateAccess::key_state(cipher);
  const ReducedBoxes& rb = KeyStateAccess::reduced_boxes(cipher);
  std::uint64_t t0;
  std::uint64_t t1;
  if constexpr (kEncipher) {
    asm(QX_WHITEN_L("0")
        QX_ROUND_PAIR("4", "8")   QX_ROUND_PAIR("12", "16") QX_ROUND_PAIR("20", "24") QX_ROUND_PAIR("28", "32")
        QX_ROUND_PAIR("36", "40") QX_ROUND_PAIR("44", "48") QX_ROUND_PAIR("52", "56") QX_ROUND_PAIR("60", "64")
        QX_LANE_OPERANDS);
  } else {
    asm(QX_WHITEN_L("68")
        QX_ROUND_PAIR("64", "60") QX_ROUND_PAIR("56", "52") QX_ROUND_PAIR("48", "44") QX_ROUND_PAIR("40", "36")
        QX_ROUND_PAIR("32", "28") QX_ROUND_PAIR("24", "20") QX_ROUND_PAIR("16", "12") QX_ROUND_PAIR("8", "4")
        QX_LANE_OPERANDS);
  }
  // l carries the last inner round key (P[16], or P[1] going back); the halves leave exchanged, the left one
  // whitened with the outer key.
  const std::uint32_t outer = kEncipher ? ks.P[kPWords - 1] : ks.P[0];
  for (std::size_t k = 0; k < kLanes; ++k) {
    const std::uint32_t left = r[k] ^ outer;
    r[k] = l[k];
    l[k] = left;
  }
}

#undef QX_HALF_ROUND
#undef QX_LANES
#undef QX_WHITEN_L
#undef QX_ROUND_PAIR
#undef QX_LANE_OPERANDS

// clang-format on

bool detect_x86_lane_kernels() noexcept {
  __builtin_cpu_init();
  return __builtin_cpu_supports("bmi") != 0;
}

#else

bool detect_x86_lane_kernels() noexcept { return false; }

#endif

}  // namespace

LaneKernels portable_lane_kernels() noexcept { return {encipher_portable, decipher_portable}; }

bool have_x86_lane_kernels() noexcept {
  static const bool available = detect_x86_lane_kernels();
  return available;
}

LaneKernels fast_lane_kernels() noexcept {
#if defined(__x86_64__)
  if (have_x86_lane_kernels()) return {transform_x86<true>, transform_x86<false>};
#endif
  return portable_lane_kernels();
}

}  // namespace qx::cipher
