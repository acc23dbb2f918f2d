// Summed CRC, AVX2 variant: 32 stretches of a block advanced in lockstep.
//
// A block of 256 bytes is cut into 32 lanes of 8 consecutive bytes, one lane per byte position of a vector; the
// register of every lane is kept as two byte vectors (high and low byte) and advanced with nibble lookups
// (vpshufb), so the 32 lanes run in lockstep and the only serial dependency is from one block to the next.
//   1. The block is transposed so that vector i holds byte i of every lane.
//   2. Each lane's linear CRC from a zero register, then a prefix scan over the lanes, give every lane's start
//      register as the true (linear) CRC would have it; the block's exact start register is folded in by one
//      table lookup per nibble.
//   3. One exact pass (quirk entry included) computes every lane's eight register values from its start, sums
//      them, and compares each lane's exact last value with the next lane's start. A pass is taken only if all
//      31 agree: then, by induction from the block's exact start, every lane started exactly, whatever the
//      prediction was worth. A lane whose indices met the quirk entry ends elsewhere than the linear prediction;
//      the first such lane gives the next lane's start exactly and, linearly, corrects every later lane's, and
//      the pass is repeated. So a block needs one pass plus one per lane (of the first 31) that meets the quirk
//      entry: two on average for random data, which meets it about once per 256 bytes. After kMaxPasses passes
//      the block is left to the portable variant, and so are the next few blocks (see avx2_run). Random data almost
//      never gets there (8 of 31 lanes meeting the quirk entry); data built to meet it often does, and then costs
//      about what the portable variant costs.

#include <array>
#include <bit>
#include <cstddef>

#include "envelope/Crc.h"
#include "envelope/CrcTable.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QX_CRC_HAVE_AVX2 1
#include <immintrin.h>
#else
#define QX_CRC_HAVE_AVX2 0
#endif

namespace {

#if QX_CRC_HAVE_AVX2

using qx::envelope::advance_linear_zeros;
using qx::envelope::kLinearCrcTable;

constexpr int kLanes = 32;
constexpr int kLaneBytes = 8;
constexpr std::uint32_t kBlock = kLanes * kLaneBytes;
constexpr int kScanLevels = 5;  // 2^5 lanes
constexpr int kMaxPasses = 8;

struct alignas(64) Avx2Tables {
  // Nibble lookups of the linear table (each 16 entries, repeated for both 128-bit halves): high byte of the entry
  // for the index's low nibble, for its high nibble, then the low byte of the entry likewise.
  std::array<std::uint8_t, 32> th_lo, th_hi, tl_lo, tl_hi;
  // scan[l][o][q][v]: byte o (0 high, 1 low) of the register 8 * 2^l zero bytes after the register v << 4q.
  std::array<std::array<std::array<std::array<std::uint8_t, 32>, 4>, 2>, kScanLevels> scan;
  // shift[q][v][o][32 + k]: byte o of the register 8k zero bytes after v << 4q; bytes 0..31 are zero, so a load at
  // 32 - s gives lane k the register 8(k - s) bytes on for lanes from s, and nothing below s.
  std::array<std::array<std::array<std::array<std::uint8_t, 64>, 2>, 16>, 4> shift;
};

constexpr std::uint8_t high_byte(std::uint32_t r) noexcept { return static_cast<std::uint8_t>(r >> 8); }
constexpr std::uint8_t low_byte(std::uint32_t r) noexcept { return static_cast<std::uint8_t>(r); }

constexpr Avx2Tables make_avx2_tables() noexcept {
  Avx2Tables t{};
  for (unsigned v = 0; v < 32; ++v) {
    const unsigned n = v & 15;
    t.th_lo[v] = high_byte(kLinearCrcTable[n]);
    t.th_hi[v] = high_byte(kLinearCrcTable[n << 4]);
    t.tl_lo[v] = low_byte(kLinearCrcTable[n]);
    t.tl_hi[v] = low_byte(kLinearCrcTable[n << 4]);
  }
  for (int l = 0; l < kScanLevels; ++l) {
    for (unsigned q = 0; q < 4; ++q) {
      for (unsigned v = 0; v < 32; ++v) {
        const std::uint32_t r = advance_linear_zeros((v & 15) << (4 * q), kLaneBytes << l);
        t.scan[l][0][q][v] = high_byte(r);
        t.scan[l][1][q][v] = low_byte(r);
      }
    }
  }
  for (unsigned q = 0; q < 4; ++q) {
    for (unsigned v = 0; v < 16; ++v) {
      std::uint32_t r = v << (4 * q);
      for (int k = 0; k < kLanes; ++k) {
        t.shift[q][v][0][32 + k] = high_byte(r);
        t.shift[q][v][1][32 + k] = low_byte(r);
        r = advance_linear_zeros(r, kLaneBytes);
      }
    }
  }
  return t;
}

constexpr Avx2Tables kAvx2Tables = make_avx2_tables();

#define QX_AVX2_INLINE [[gnu::target("avx2"), gnu::always_inline]] inline

QX_AVX2_INLINE __m256i load32(const std::uint8_t* p) noexcept {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Lane k gets lane k - n (zero below n).
template <int n>
QX_AVX2_INLINE __m256i lanes_up(__m256i v) noexcept {
  const __m256i low_to_high = _mm256_permute2x128_si256(v, v, 0x08);
  if constexpr (n == 16) {
    return low_to_high;
  } else {
    return _mm256_alignr_epi8(v, low_to_high, 16 - n);
  }
}

// Lane k gets lane k + 1 (zero in lane 31).
QX_AVX2_INLINE __m256i lanes_down_one(__m256i v) noexcept {
  return _mm256_alignr_epi8(_mm256_permute2x128_si256(v, v, 0x81), v, 1);
}

// The 256-byte block as vectors b[i] whose byte k is byte i of lane k (byte 8k + i of the block).
QX_AVX2_INLINE void load_transposed(const unsigned char* p, __m256i b[kLaneBytes]) noexcept {
  // Per 128-bit half: the two lanes' bytes interleaved, so 16-bit word i holds byte i of both.
  const __m256i interleave = _mm256_setr_epi8(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15, 0, 8, 1, 9, 2, 10,
                                              3, 11, 4, 12, 5, 13, 6, 14, 7, 15);
  __m256i r[8];
  for (int i = 0; i < 8; ++i) {
    // Lanes 2i, 2i + 1 in the low half, lanes 16 + 2i, 17 + 2i in the high half.
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 128 + 16 * i));
    r[i] = _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1), interleave);
  }
  // 8x8 transpose of 16-bit words within each half: word r of output i is word i of r[r].
  __m256i t[8];
  for (int i = 0; i < 4; ++i) {
    t[2 * i] = _mm256_unpacklo_epi16(r[2 * i], r[2 * i + 1]);
    t[2 * i + 1] = _mm256_unpackhi_epi16(r[2 * i], r[2 * i + 1]);
  }
  __m256i u[8];
  for (int i = 0; i < 2; ++i) {
    u[4 * i] = _mm256_unpacklo_epi32(t[4 * i], t[4 * i + 2]);
    u[4 * i + 1] = _mm256_unpackhi_epi32(t[4 * i], t[4 * i + 2]);
    u[4 * i + 2] = _mm256_unpacklo_epi32(t[4 * i + 1], t[4 * i + 3]);
    u[4 * i + 3] = _mm256_unpackhi_epi32(t[4 * i + 1], t[4 * i + 3]);
  }
  for (int i = 0; i < 4; ++i) {
    b[2 * i] = _mm256_unpacklo_epi64(u[i], u[i + 4]);
    b[2 * i + 1] = _mm256_unpackhi_epi64(u[i], u[i + 4]);
  }
}

// Linear CRC step of every lane: registers (h, l) after index byte idx.
struct Lookup {
  __m256i th, tl;
};

QX_AVX2_INLINE Lookup linear_lookup(__m256i idx) noexcept {
  const Avx2Tables& t = kAvx2Tables;
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i lo = _mm256_and_si256(idx, nibble);
  const __m256i hi = _mm256_and_si256(_mm256_srli_epi16(idx, 4), nibble);
  return {_mm256_xor_si256(_mm256_shuffle_epi8(load32(t.th_lo.data()), lo),
                           _mm256_shuffle_epi8(load32(t.th_hi.data()), hi)),
          _mm256_xor_si256(_mm256_shuffle_epi8(load32(t.tl_lo.data()), lo),
                           _mm256_shuffle_epi8(load32(t.tl_hi.data()), hi))};
}

// The registers (h, l) of every lane mapped through 8 * 2^level zero bytes.
template <int level>
QX_AVX2_INLINE void scan_map(__m256i& h, __m256i& l) noexcept {
  const auto& m = kAvx2Tables.scan[level];
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i n0 = _mm256_and_si256(l, nibble);
  const __m256i n1 = _mm256_and_si256(_mm256_srli_epi16(l, 4), nibble);
  const __m256i n2 = _mm256_and_si256(h, nibble);
  const __m256i n3 = _mm256_and_si256(_mm256_srli_epi16(h, 4), nibble);
  const __m256i oh = _mm256_xor_si256(_mm256_xor_si256(_mm256_shuffle_epi8(load32(m[0][0].data()), n0),
                                                       _mm256_shuffle_epi8(load32(m[0][1].data()), n1)),
                                      _mm256_xor_si256(_mm256_shuffle_epi8(load32(m[0][2].data()), n2),
                                                       _mm256_shuffle_epi8(load32(m[0][3].data()), n3)));
  const __m256i ol = _mm256_xor_si256(_mm256_xor_si256(_mm256_shuffle_epi8(load32(m[1][0].data()), n0),
                                                       _mm256_shuffle_epi8(load32(m[1][1].data()), n1)),
                                      _mm256_xor_si256(_mm256_shuffle_epi8(load32(m[1][2].data()), n2),
                                                       _mm256_shuffle_epi8(load32(m[1][3].data()), n3)));
  h = oh;
  l = ol;
}

template <int level>
QX_AVX2_INLINE void scan_level(__m256i& h, __m256i& l) noexcept {
  __m256i sh = lanes_up<(1 << level)>(h);
  __m256i sl = lanes_up<(1 << level)>(l);
  scan_map<level>(sh, sl);
  h = _mm256_xor_si256(h, sh);
  l = _mm256_xor_si256(l, sl);
}

// Every lane's start register as the linear CRC from a zero register at the block start would have it.
QX_AVX2_INLINE void linear_starts(const __m256i b[kLaneBytes], __m256i& h, __m256i& l) noexcept {
  Lookup t = linear_lookup(b[0]);
  h = t.th;
  l = t.tl;
  for (int i = 1; i < kLaneBytes; ++i) {
    t = linear_lookup(_mm256_xor_si256(h, b[i]));
    h = _mm256_xor_si256(l, t.th);
    l = t.tl;
  }
  // Lane k + 1 starts where lane k's bytes lead; the scan adds in what every earlier lane leads to.
  h = lanes_up<1>(h);
  l = lanes_up<1>(l);
  scan_level<0>(h, l);
  scan_level<1>(h, l);
  scan_level<2>(h, l);
  scan_level<3>(h, l);
  scan_level<4>(h, l);
}

// Adds, linearly, a register difference delta at the start of lane s to the starts of lane s and every later
// lane.
QX_AVX2_INLINE void add_shifted(__m256i& h, __m256i& l, std::uint32_t delta, unsigned s) noexcept {
  const auto& t = kAvx2Tables.shift;
  const unsigned offset = 32 - s;
  for (unsigned q = 0; q < 4; ++q) {
    const auto& row = t[q][(delta >> (4 * q)) & 15];
    h = _mm256_xor_si256(h, load32(row[0].data() + offset));
    l = _mm256_xor_si256(l, load32(row[1].data() + offset));
  }
}

// The exact pass: every lane's eight register values from starts (h, l); leaves the last ones in (h, l) and
// returns the sum of all 256 values, by 64-bit quarter.
QX_AVX2_INLINE __m256i exact_pass(const __m256i b[kLaneBytes], __m256i& h, __m256i& l) noexcept {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i quirk_index = _mm256_set1_epi8(static_cast<char>(qx::envelope::kCrcQuirkIndex));
  const __m256i quirk_diff =
      _mm256_set1_epi8(static_cast<char>(qx::envelope::kCrcQuirkValue ^ kLinearCrcTable[qx::envelope::kCrcQuirkIndex]));
  static_assert(((qx::envelope::kCrcQuirkValue ^ kLinearCrcTable[qx::envelope::kCrcQuirkIndex]) & 0xFF00) == 0,
                "the quirk entry differs in its low byte only");
  __m256i sum_h = zero;
  __m256i sum_l = zero;
  for (int i = 0; i < kLaneBytes; ++i) {
    const __m256i idx = _mm256_xor_si256(h, b[i]);
    const Lookup t = linear_lookup(idx);
    const __m256i fix = _mm256_and_si256(_mm256_cmpeq_epi8(idx, quirk_index), quirk_diff);
    h = _mm256_xor_si256(l, t.th);
    l = _mm256_xor_si256(t.tl, fix);
    sum_h = _mm256_add_epi64(sum_h, _mm256_sad_epu8(h, zero));
    sum_l = _mm256_add_epi64(sum_l, _mm256_sad_epu8(l, zero));
  }
  return _mm256_add_epi64(_mm256_slli_epi64(sum_h, 8), sum_l);
}

// One block from its exact start register crc: adds the block's sum to total, leaves its last register in crc and
// returns true; or returns false, with nothing changed, when the block would take more than kMaxPasses passes.
QX_AVX2_INLINE bool avx2_block(const unsigned char* p, std::uint32_t& crc, __m256i& total) noexcept {
  __m256i b[kLaneBytes];
  load_transposed(p, b);
  __m256i start_h;
  __m256i start_l;
  linear_starts(b, start_h, start_l);
  add_shifted(start_h, start_l, crc, 0);
  for (int pass = 1;; ++pass) {
    __m256i h = start_h;
    __m256i l = start_l;
    const __m256i block_sum = exact_pass(b, h, l);
    // Lane k's last value against lane k + 1's start; lane 31 ends the block.
    const __m256i diff_h = _mm256_xor_si256(h, lanes_down_one(start_h));
    const __m256i diff_l = _mm256_xor_si256(l, lanes_down_one(start_l));
    const auto same = static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_or_si256(diff_h, diff_l), _mm256_setzero_si256())));
    const std::uint32_t mismatch = ~same & 0x7FFFFFFFu;
    if (mismatch == 0) [[likely]] {
      total = _mm256_add_epi64(total, block_sum);
      crc = static_cast<std::uint32_t>(_mm256_extract_epi8(h, 31)) << 8 |
            static_cast<std::uint32_t>(_mm256_extract_epi8(l, 31));
      return true;
    }
    if (pass == kMaxPasses) [[unlikely]] {
      return false;
    }
    const auto j = static_cast<unsigned>(std::countr_zero(mismatch));
    alignas(32) std::uint8_t dh[32];
    alignas(32) std::uint8_t dl[32];
    _mm256_store_si256(reinterpret_cast<__m256i*>(dh), diff_h);
    _mm256_store_si256(reinterpret_cast<__m256i*>(dl), diff_l);
    add_shifted(start_h, start_l, static_cast<std::uint32_t>(dh[j]) << 8 | dl[j], j + 1);
  }
}

// Blocks after one that gave up are left to the portable variant without trying: one at first, twice as many
// after each further block that gave up (up to kMaxSkip), half as many after each that did not. Data meeting the
// quirk entry densely so costs about what the portable variant costs, while a dense stretch in otherwise random
// data soon returns to the vectors.
constexpr unsigned kMaxSkip = 16;

[[gnu::target("avx2")]] std::uint32_t avx2_run(const unsigned char* data, std::uint32_t len) noexcept {
  std::uint32_t crc = 0;
  std::uint32_t scalar_sum = 0;
  __m256i total = _mm256_setzero_si256();
  unsigned skip = 0;
  unsigned next_skip = 1;
  std::uint32_t i = 0;
  for (; len - i >= kBlock; i += kBlock) {
    const unsigned char* p = data + i;
    if (skip != 0) {
      --skip;
      scalar_sum += qx::envelope::summed_crc_run(p, kBlock, crc);
    } else if (avx2_block(p, crc, total)) [[likely]] {
      next_skip = next_skip > 1 ? next_skip / 2 : 1;
    } else {
      scalar_sum += qx::envelope::summed_crc_run(p, kBlock, crc);
      skip = next_skip;
      next_skip = next_skip < kMaxSkip ? 2 * next_skip : kMaxSkip;
    }
  }
  const __m128i half = _mm_add_epi64(_mm256_castsi256_si128(total), _mm256_extracti128_si256(total, 1));
  const auto vector_sum =
      static_cast<std::uint64_t>(_mm_cvtsi128_si64(half)) + static_cast<std::uint64_t>(_mm_extract_epi64(half, 1));
  std::uint32_t sum = static_cast<std::uint32_t>(vector_sum) + scalar_sum;
  sum += qx::envelope::summed_crc_run(data + i, len - i, crc);
  return sum;
}

bool detect_avx2() noexcept {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

#undef QX_AVX2_INLINE

#endif  // QX_CRC_HAVE_AVX2

}  // namespace

namespace qx::envelope {

bool summed_crc_avx2_available() noexcept {
#if QX_CRC_HAVE_AVX2
  static const bool available = detect_avx2();
  return available;
#else
  return false;
#endif
}

std::uint32_t summed_crc_avx2(const unsigned char* data, std::uint32_t len) noexcept {
#if QX_CRC_HAVE_AVX2
  if (summed_crc_avx2_available()) return avx2_run(data, len);
#endif
  return summed_crc_portable(data, len);
}

}  // namespace qx::envelope
