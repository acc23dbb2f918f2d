// Fuzz harness for Decompress called directly, with its marker and data length taken from the input.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Blowfish.h"
#include "envelope/Format.h"
#include "fuzz/Check.h"
#include "fuzz/Harnesses.h"
#include "fuzz/ReferenceInflate.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QX_FUZZ_HAVE_ASAN 1
#endif
#endif
#if !defined(QX_FUZZ_HAVE_ASAN) && defined(__SANITIZE_ADDRESS__)
#define QX_FUZZ_HAVE_ASAN 1
#endif
#ifndef QX_FUZZ_HAVE_ASAN
#define QX_FUZZ_HAVE_ASAN 0
#endif
#if QX_FUZZ_HAVE_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace qx::fuzz {
namespace {

// Input layout: marker (le32, taken as signed), data length (le32), then the body given to Decompress.
constexpr std::size_t kMarkerAt = 0;
constexpr std::size_t kDataLengthAt = 4;
constexpr std::size_t kBodyAt = 8;

// Whether all `size` bytes at `p` belong to live allocations. Exact under AddressSanitizer; elsewhere every byte
// is read, so that valgrind can object.
bool whole_region_addressable(const unsigned char* p, std::uint64_t size) {
#if QX_FUZZ_HAVE_ASAN
  return __asan_region_is_poisoned(const_cast<unsigned char*>(p), static_cast<std::size_t>(size)) == nullptr;
#else
  unsigned char folded = 0;
  for (std::uint64_t i = 0; i < size; ++i) folded |= static_cast<const volatile unsigned char*>(p)[i];
  return folded == 0 || folded != 0;
#endif
}

// Checks a result that the reference inflate can judge: marker 0..7 and a body of whole blocks.
void check_against_reference(const unsigned char* result, int code, const std::uint8_t* body, std::size_t len,
                             int marker, std::uint64_t padded) {
  const InflateReference inflated =
      reference_inflate(body, len - static_cast<std::size_t>(marker), static_cast<std::size_t>(padded));
  if (result == nullptr) {
    // Refusing a data length or an empty body that no envelope can have, before any work, is sound too.
    const bool impossible = padded > TBlowfish::MaxData || len == 0;
    QX_FUZZ_CHECK(code == TBlowfish::ErrNoMemory || code == TBlowfish::ErrDecompressInit ||
                  code == TBlowfish::ErrDecompress || (impossible && code == TBlowfish::ErrBadLength));
    // A stream that ends exactly at the filler and yields exactly the padded length is what the writer makes;
    // refusing it would lose data.
    if (inflated.end == InflateEnd::kStreamEnd && inflated.output.size() == padded && inflated.unused_input == 0) {
      QX_FUZZ_CHECK(code != TBlowfish::ErrDecompress);
    }
    return;
  }
  QX_FUZZ_CHECK(code == TBlowfish::ErrNone);
  // A damaged stream, or one that yields more than the padded length, must be refused.
  QX_FUZZ_CHECK(inflated.end == InflateEnd::kStreamEnd || inflated.end == InflateEnd::kInputExhausted);
  QX_FUZZ_CHECK(inflated.output.empty() || std::memcmp(result, inflated.output.data(), inflated.output.size()) == 0);
}

}  // namespace

void decompress_body(const std::uint8_t* data, std::size_t size) {
  static TBlowfish cipher(nullptr);  // Decompress does not use the key state
  if (size < kBodyAt) {
    QX_FUZZ_CHECK(cipher.Decompress(nullptr, 0, 0, static_cast<std::uint32_t>(size)) == nullptr);
    QX_FUZZ_CHECK(cipher.GetErrorCode() == TBlowfish::ErrNullSource);
    return;
  }
  const auto marker = static_cast<std::int32_t>(envelope::load_le32(data + kMarkerAt));
  const std::uint32_t data_length = envelope::load_le32(data + kDataLengthAt);
  const std::size_t len = size - kBodyAt;
  const std::uint64_t padded = envelope::padded_length(data_length);

  // The body is copied to a buffer of exactly its length (non-null even when empty), so that reading past it,
  // for instance by misusing the marker, is caught.
  const std::unique_ptr<unsigned char[]> body(new unsigned char[len]);
  if (len != 0) std::memcpy(body.get(), data + kBodyAt, len);

  unsigned char* result = cipher.Decompress(body.get(), static_cast<std::uint32_t>(len), marker, data_length);
  const int code = cipher.GetErrorCode();
  if (len % envelope::kBlockSize != 0) {
    QX_FUZZ_CHECK(result == nullptr && code == TBlowfish::ErrBadLength);
  } else if (marker >= 0 && marker <= envelope::kMaxFillerMarker) {
    check_against_reference(result, code, body.get(), len, marker, padded);
  } else {
    // Outside 0..7 the marker names no filler the body could have; whatever the outcome, it must be reported
    // consistently and no byte outside the body may be touched.
    QX_FUZZ_CHECK((result == nullptr) == (code != TBlowfish::ErrNone));
  }
  if (result != nullptr) {
    QX_FUZZ_CHECK(whole_region_addressable(result, padded));
    std::free(result);
  }
}

}  // namespace qx::fuzz
