// Messages for the component's error codes.
#include "api/Error.h"

#include <string>

#include "Blowfish.h"

namespace qx {

std::string_view error_message(int code) noexcept {
  switch (code) {
    case TBlowfish::ErrNone:
      return "success";
    case TBlowfish::ErrKeyTooLong:
      return "key longer than 56 bytes";
    case TBlowfish::ErrNoMemory:
      return "out of memory";
    case TBlowfish::ErrNullSource:
      return "no input buffer given";
    case TBlowfish::ErrBadLength:
      return "not an envelope: length or header fields do not fit together";
    case TBlowfish::ErrNoMagic:
      return "not an envelope: the QX magic is missing";
    case TBlowfish::ErrTooLong:
      return "too long: the limit is 51200 bytes of data (28 more for an envelope)";
    case TBlowfish::ErrOldVersion:
      return "envelope format version older than 5 is not supported";
    case TBlowfish::ErrChecksum:
      return "checksum mismatch: wrong key or damaged data";
    case TBlowfish::ErrCompressInit:
      return "compressor cannot be initialised";
    case TBlowfish::ErrCompress:
      return "compression failed";
    case TBlowfish::ErrDecompressInit:
      return "decompressor cannot be initialised";
    case TBlowfish::ErrDecompress:
      return "decompression failed: wrong key or damaged data";
    default:
      return "unknown error";
  }
}

Error::Error(int code) : std::runtime_error(std::string(error_message(code))), code_(code) {}

}  // namespace qx
