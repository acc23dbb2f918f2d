// Differential fuzz harness: the library's optimised key schedule, round function, block transforms, multi-lane
// body transform and checksum against the plain reference implementation of tests/reference, on the key state,
// keys and data the input chooses.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Blowfish.h"
#include "cipher/LanesX86.h"
#include "envelope/BodyTransform.h"
#include "fuzz/Check.h"
#include "fuzz/Harnesses.h"
#include "reference/Reference.h"

namespace qx::fuzz {
namespace {

namespace ref = qx::reference;

static_assert(sizeof(qx::cipher::KeyState) == sizeof(ref::KeyState), "key states must compare word for word");

// Input layout: flags, key length (low 6 bits, so that keys beyond the 56-byte limit occur), quirk share, key
// bytes, data.
constexpr std::uint8_t kConditionMask = 0x03;  // bits 0-1: the key condition (Condition)
constexpr int kPriorShift = 2;                 // bits 2-3: the state before it (Prior)
constexpr std::uint8_t kQuirkHeavy = 1 << 4;   // checksum also over a variant meeting table entry 0x51 often
constexpr int kSkewShift = 5;                  // bits 5-7: start address of the data buffers mod 8
constexpr std::uint8_t kKeyLengthMask = 0x3F;

// What the object's key state is made of after the prior state.
enum class Condition : std::uint8_t {
  kNone = 0,           // nothing more: a fresh object keeps the all-zero key state
  kResetBox = 1,       // the initial tables
  kInitializeKey = 2,  // InitializeKey from Key: the key text ends at its first zero byte, > 56 bytes refused
  kDirect = 3,         // IniitializeBlowfish over all the key bytes, zeros included; as kInitializeKey beyond 56
};

// What the same object went through before the condition, so that stale derived state would show.
enum class Prior : std::uint8_t {
  kFresh = 0,        // nothing: the all-zero key state
  kDefaultKey = 1,   // InitializeKey with the factory default key
  kResetBox = 2,     // the initial tables
  kReversedKey = 3,  // the key bytes reversed (at most 56), scheduled directly
};

// Bodies are capped so that the reference, one block at a time, keeps the harness fast; the checksum runs over
// all the data.
constexpr std::size_t kMaxBody = 8192;
constexpr std::size_t kMaxBlocks = 8;     // blocks through Blowfish_encipher/decipher one at a time
constexpr std::size_t kMaxFWords = 8;     // F inputs taken from the data
constexpr std::size_t kMaxCrcSteps = 64;  // bytes through crcupdate one at a time
constexpr unsigned kQuirkIndex = 0x51;

struct Input {
  std::uint8_t flags = 0;
  std::uint8_t quirk_share = 0;  // bytes of the variant forced to index 0x51: those whose data byte is below it
  std::string key;               // all the key bytes, zeros included
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;

  [[nodiscard]] Condition condition() const { return static_cast<Condition>(flags & kConditionMask); }
  [[nodiscard]] Prior prior() const { return static_cast<Prior>((flags >> kPriorShift) & 3); }
  [[nodiscard]] std::size_t skew() const { return flags >> kSkewShift; }
};

Input parse(const std::uint8_t* input, std::size_t size) {
  Input in;
  std::size_t at = 0;
  if (at < size) in.flags = input[at++];
  std::size_t key_length = 0;
  if (at < size) key_length = input[at++] & kKeyLengthMask;
  if (at < size) in.quirk_share = input[at++];
  key_length = std::min(key_length, size - at);
  in.key.assign(reinterpret_cast<const char*>(input + at), key_length);
  at += key_length;
  in.data = input + at;
  in.size = size - at;
  return in;
}

// A copy of `n` bytes starting `skew` bytes into an allocation of exactly skew + n bytes, so that any access
// beyond the end is caught and every start alignment occurs.
class Buffer {
 public:
  Buffer(const std::uint8_t* src, std::size_t n, std::size_t skew)
      : storage_(new std::uint8_t[skew + n]), skew_(skew), size_(n) {
    std::memset(storage_.get(), 0xA5, skew);
    if (n != 0) std::memcpy(data(), src, n);
  }
  [[nodiscard]] std::uint8_t* data() { return storage_.get() + skew_; }
  [[nodiscard]] std::size_t size() const { return size_; }
  [[nodiscard]] bool equals(const std::vector<std::uint8_t>& other) const {
    return other.size() == size_ && (size_ == 0 || std::memcmp(storage_.get() + skew_, other.data(), size_) == 0);
  }

 private:
  std::unique_ptr<std::uint8_t[]> storage_;
  std::size_t skew_;
  std::size_t size_;
};

// Word-for-word comparison of the whole key state; the first differing word is named before the check fails.
bool same_state(const TBlowfish& cipher, const ref::KeyState& expected) {
  const auto* fast = reinterpret_cast<const std::uint32_t*>(&cipher.GetKeyState());
  const auto* slow = reinterpret_cast<const std::uint32_t*>(&expected);
  constexpr std::size_t kWords = sizeof expected / sizeof(std::uint32_t);
  for (std::size_t i = 0; i < kWords; ++i) {
    if (fast[i] != slow[i]) {
      std::fprintf(stderr, "key state differs at word %zu (%s): library %08x, reference %08x\n", i, i < 18 ? "P" : "S",
                   static_cast<unsigned>(fast[i]), static_cast<unsigned>(slow[i]));
      return false;
    }
  }
  return true;
}

std::uint32_t get_le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// Runs InitializeKey with `key` as Key on both sides; a key text over the limit must be refused with code 1 and
// leave the key state as it was, so the reference schedule is then not applied either.
void initialize_key(TBlowfish& cipher, ref::KeyState& expected, const std::string& key) {
  cipher.Key = key;
  const std::size_t text_length = std::strlen(key.c_str());
  const bool keyed = cipher.InitializeKey();
  QX_FUZZ_CHECK(keyed == (text_length <= TBlowfish::MaxKeyLength));
  QX_FUZZ_CHECK(cipher.GetErrorCode() == (keyed ? TBlowfish::ErrNone : TBlowfish::ErrKeyTooLong));
  if (keyed) {
    ref::key_schedule(expected, reinterpret_cast<const unsigned char*>(key.c_str()), static_cast<int>(text_length));
  }
}

// IniitializeBlowfish over all of `key` (at most 56 bytes; its terminator is the byte after them).
void schedule_directly(TBlowfish& cipher, ref::KeyState& expected, const std::string& key) {
  QX_FUZZ_CHECK(key.size() <= TBlowfish::MaxKeyLength);
  cipher.IniitializeBlowfish(key.c_str(), static_cast<short>(key.size()));
  ref::key_schedule(expected, reinterpret_cast<const unsigned char*>(key.c_str()), static_cast<int>(key.size()));
}

void apply_prior(TBlowfish& cipher, ref::KeyState& expected, const Input& in) {
  switch (in.prior()) {
    case Prior::kFresh:
      break;
    case Prior::kDefaultKey:
      initialize_key(cipher, expected, TBlowfish::DefaultKey);
      break;
    case Prior::kResetBox:
      cipher.ResetBox();
      ref::reset_box(expected);
      break;
    case Prior::kReversedKey: {
      std::string reversed(in.key.rbegin(), in.key.rend());
      reversed.resize(std::min(reversed.size(), TBlowfish::MaxKeyLength));
      schedule_directly(cipher, expected, reversed);
      break;
    }
  }
}

void apply_condition(TBlowfish& cipher, ref::KeyState& expected, const Input& in) {
  switch (in.condition()) {
    case Condition::kNone:
      break;
    case Condition::kResetBox:
      cipher.ResetBox();
      ref::reset_box(expected);
      break;
    case Condition::kInitializeKey:
      initialize_key(cipher, expected, in.key);
      break;
    case Condition::kDirect:
      // The direct schedule's contract allows at most 56 bytes; longer keys go through InitializeKey instead.
      if (in.key.size() <= TBlowfish::MaxKeyLength) {
        schedule_directly(cipher, expected, in.key);
      } else {
        initialize_key(cipher, expected, in.key);
      }
      break;
  }
}

// F on words from the data and on a few fixed ones.
void compare_round_function(const TBlowfish& cipher, const ref::KeyState& expected, const Input& in) {
  std::vector<std::uint32_t> words = {0u, 0xFFFFFFFFu, 0x51515151u, 0x80000000u, 0x000000E8u};
  for (std::size_t i = 0; i < kMaxFWords && 4 * i + 4 <= in.size; ++i) words.push_back(get_le32(in.data + 4 * i));
  for (const std::uint32_t x : words) QX_FUZZ_CHECK(cipher.F(x) == ref::f(expected, x));
}

// Blowfish_encipher and Blowfish_decipher on single blocks: the data's first blocks (at least one, zero filled),
// enciphered and deciphered back, and deciphered as they stand.
void compare_blocks(const TBlowfish& cipher, const ref::KeyState& expected, const Input& in) {
  const std::size_t blocks = std::clamp<std::size_t>((in.size + 7) / 8, 1, kMaxBlocks);
  for (std::size_t b = 0; b < blocks; ++b) {
    std::uint8_t block[8] = {};
    if (8 * b < in.size) std::memcpy(block, in.data + 8 * b, std::min<std::size_t>(8, in.size - 8 * b));
    const std::uint32_t l0 = get_le32(block);
    const std::uint32_t r0 = get_le32(block + 4);

    std::uint32_t l = l0, r = r0, rl = l0, rr = r0;
    cipher.Blowfish_encipher(&l, &r);
    ref::encipher(expected, rl, rr);
    QX_FUZZ_CHECK(l == rl && r == rr);
    cipher.Blowfish_decipher(&l, &r);
    ref::decipher(expected, rl, rr);
    QX_FUZZ_CHECK(l == rl && r == rr);
    QX_FUZZ_CHECK(l == l0 && r == r0);

    l = rl = l0;
    r = rr = r0;
    cipher.Blowfish_decipher(&l, &r);
    ref::decipher(expected, rl, rr);
    QX_FUZZ_CHECK(l == rl && r == rr);
  }
}

// The body transform over the data truncated to whole blocks (at most kMaxBody bytes), with each set of
// four-block kernels this machine can run.
void compare_body(const TBlowfish& cipher, const ref::KeyState& expected, const Input& in) {
  const std::size_t len = std::min(in.size, kMaxBody) / 8 * 8;
  const std::vector<std::uint8_t> plain(in.data, in.data + len);

  std::vector<qx::cipher::LaneKernels> kernel_sets = {qx::cipher::portable_lane_kernels()};
  if (qx::cipher::have_x86_lane_kernels()) kernel_sets.push_back(qx::cipher::fast_lane_kernels());
  for (const qx::cipher::LaneKernels& kernels : kernel_sets) {
    Buffer fast(in.data, len, in.skew());
    std::vector<std::uint8_t> slow = plain;
    envelope::encipher_body_with(cipher, kernels, fast.data(), fast.size());
    ref::encipher_body(expected, slow.data(), slow.size());
    QX_FUZZ_CHECK(fast.equals(slow));
    envelope::decipher_body_with(cipher, kernels, fast.data(), fast.size());
    QX_FUZZ_CHECK(fast.equals(plain));

    // Deciphering bytes that no encipherment produced must agree as well.
    Buffer fast_raw(in.data, len, in.skew());
    std::vector<std::uint8_t> slow_raw = plain;
    envelope::decipher_body_with(cipher, kernels, fast_raw.data(), fast_raw.size());
    ref::decipher_body(expected, slow_raw.data(), slow_raw.size());
    QX_FUZZ_CHECK(fast_raw.equals(slow_raw));
  }
}

// The data made to meet the checksum table's exceptional entry: every byte whose data byte is below the quirk
// share is replaced by the one that drives the register's index to 0x51; the others are kept.
std::vector<std::uint8_t> quirk_heavy(const Input& in, std::size_t& forced) {
  std::vector<std::uint8_t> out(in.data, in.data + in.size);
  std::uint16_t crc = 0;
  forced = 0;
  for (auto& b : out) {
    if (b < in.quirk_share) {
      b = static_cast<std::uint8_t>((crc >> 8) ^ kQuirkIndex);
      ++forced;
    }
    ref::crc_update(b, crc);
  }
  return out;
}

void compare_checksum(const TBlowfish& cipher, const std::uint8_t* data, std::size_t size, std::size_t skew,
                      std::size_t min_quirk_hits) {
  Buffer buffer(data, size, skew);
  std::size_t hits = 0;
  const std::uint32_t expected = ref::summed_crc(buffer.data(), size, &hits);
  QX_FUZZ_CHECK(hits >= min_quirk_hits);
  QX_FUZZ_CHECK(cipher.CRC(buffer.data(), static_cast<std::uint32_t>(size)) == expected);

  // The register byte by byte through crcupdate, over the first bytes.
  std::uint16_t fast = 0;
  std::uint16_t slow = 0;
  for (std::size_t i = 0; i < std::min(size, kMaxCrcSteps); ++i) {
    cipher.crcupdate(buffer.data() + i, &fast);
    ref::crc_update(buffer.data()[i], slow);
    QX_FUZZ_CHECK(fast == slow);
  }
}

}  // namespace

void compare_with_reference(const std::uint8_t* input, std::size_t size) {
  const Input in = parse(input, size);

  TBlowfish cipher(nullptr);
  ref::KeyState expected{};  // a fresh object's all-zero key state
  QX_FUZZ_CHECK(same_state(cipher, expected));
  apply_prior(cipher, expected, in);
  QX_FUZZ_CHECK(same_state(cipher, expected));
  apply_condition(cipher, expected, in);
  QX_FUZZ_CHECK(same_state(cipher, expected));

  compare_round_function(cipher, expected, in);
  compare_blocks(cipher, expected, in);
  compare_body(cipher, expected, in);
  // None of the transforms may touch the key state.
  QX_FUZZ_CHECK(same_state(cipher, expected));

  // The checksum does not depend on the key state; it runs over all the data.
  compare_checksum(cipher, in.data, in.size, in.skew(), 0);
  if ((in.flags & kQuirkHeavy) != 0) {
    std::size_t forced = 0;
    const std::vector<std::uint8_t> variant = quirk_heavy(in, forced);
    compare_checksum(cipher, variant.data(), variant.size(), in.skew(), forced);
  }
}

}  // namespace qx::fuzz
