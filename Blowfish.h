// TBlowfish: the envelope cipher component (key state, envelope writer and reader, error register).
#pragma once

#include <cstddef>
#include <cstdint>

#include "cipher/KeyState.h"
#include "vcl/AnsiString.h"
#include "vcl/Component.h"

// One object holds one key state and must be used by one thread at a time; separate objects are independent.
// Failures never throw: functions return null (or false) and leave a code in the error register, read with
// GetErrorCode(). Every buffer returned to the caller comes from malloc and is released by the caller with free.
class TBlowfish : public TComponent {
 public:
  // Error register codes.
  static constexpr int ErrNone = 0;
  static constexpr int ErrKeyTooLong = 1;       // key text longer than MaxKeyLength
  static constexpr int ErrNoMemory = 2;         // an allocation failed
  static constexpr int ErrNullSource = 3;       // source pointer is null
  static constexpr int ErrBadLength = 4;        // length or header fields not acceptable
  static constexpr int ErrNoMagic = 5;          // envelope magic missing
  static constexpr int ErrTooLong = 6;          // input longer than MaxData
  static constexpr int ErrOldVersion = 7;       // envelope format version below 5
  static constexpr int ErrChecksum = 8;         // checksum mismatch
  static constexpr int ErrCompressInit = 9;     // compressor cannot be initialised
  static constexpr int ErrCompress = 10;        // compression failed
  static constexpr int ErrDecompressInit = 11;  // decompressor cannot be initialised
  static constexpr int ErrDecompress = 12;      // decompression failed

  static constexpr std::uint32_t MaxData = 51200;
  static constexpr std::size_t MaxKeyLength = 56;
  static constexpr const char* DefaultKey = "5820316497";

  // Key "5820316497", no checksum, no compression; the key state stays all zero until a key schedule runs.
  explicit TBlowfish(TComponent* AOwner);
  // Wipes the key state and the key text before releasing them.
  ~TBlowfish() override;

  // Class record: after the inherited Name and Tag, the published Key (stored, no recorded default, so always
  // written), Crc_Check and Compression (stored, default false); each reads and writes its field directly.
  [[nodiscard]] static const TMetaClass& MetaClass() noexcept;

  // Published properties; assigning them has no side effect (the key state changes only on a key schedule).
  bool Crc_Check = false;
  bool Compression = false;

 private:
  qx::cipher::KeyState FKeyState{};  // all zero until the first key schedule or ResetBox
  // S0 and S2 reduced mod 232, kept in step with FKeyState by ResetBox and IniitializeBlowfish.
  qx::cipher::ReducedBoxes FReduced{};
  friend struct qx::cipher::KeyStateAccess;

 public:
  AnsiString Key;

  // Runs the key schedule from Key. Fails with ErrKeyTooLong (key state unchanged) when the key text, Key up
  // to its first zero byte, is longer than MaxKeyLength.
  [[nodiscard]] bool InitializeKey();
  // Code of the last operation that reports errors; 0 after a success.
  [[nodiscard]] int GetErrorCode() const noexcept { return FErrorCode; }

  // Cipher engine. The block transforms only read the key state; ResetBox and IniitializeBlowfish rebuild it.
  void ResetBox() noexcept;
  [[nodiscard]] std::uint32_t F(std::uint32_t x) const noexcept;
  void Blowfish_encipher(std::uint32_t* xl, std::uint32_t* xr) const noexcept;
  void Blowfish_decipher(std::uint32_t* xl, std::uint32_t* xr) const noexcept;
  // Key schedule over the first len bytes of key and the byte after them (the key text's zero terminator);
  // callers guarantee 0 <= len <= MaxKeyLength and len + 1 readable bytes. The name keeps its legacy spelling.
  void IniitializeBlowfish(const char* key, short len) noexcept;

  // Summed CRC: sum of a CRC-16 register's value after each byte.
  void crcupdate(const unsigned char* byte, std::uint16_t* crc) const noexcept;
  [[nodiscard]] std::uint32_t CRC(const unsigned char* data, std::uint32_t len) const noexcept;

  // Compression stage. Compress returns a malloc'd zlib stream padded to whole blocks (marker = filler count),
  // or src itself with marker -1 when compression does not pay off, or null with the error register set.
  // Decompress returns a malloc'd buffer of the data length rounded up to 8, or null with the register set.
  [[nodiscard]] unsigned char* Compress(unsigned char* src, std::uint32_t size, std::uint32_t* result_len, int* marker);
  [[nodiscard]] unsigned char* Decompress(unsigned char* src, std::uint32_t len, int marker, std::uint32_t data_len);

  // Envelope writer: returns a malloc'd envelope and stores its length, or null with the register set (the
  // length slot is then untouched). Auto variants run the key schedule from Key first.
  [[nodiscard]] unsigned char* Encipher_Core(const unsigned char* src, std::uint32_t len, std::uint32_t* out_len,
                                             bool auto_mode);
  [[nodiscard]] unsigned char* Encipher(const unsigned char* src, std::uint32_t len, std::uint32_t* out_len);
  [[nodiscard]] unsigned char* Auto_Encipher(const unsigned char* src, std::uint32_t len, std::uint32_t* out_len);

  // Envelope reader: returns the malloc'd data (one extra zero byte in Text mode) and stores the data length,
  // or null with the register set. Auto variants run the key schedule from Key first. Envelopes of up to
  // MaxData + 28 bytes are accepted, so that everything the writer produces reads back.
  [[nodiscard]] unsigned char* Decipher_Core(const unsigned char* src, std::uint32_t src_len, std::uint32_t* out_len,
                                             bool auto_mode, bool text_mode);
  [[nodiscard]] unsigned char* Decipher(const unsigned char* src, std::uint32_t src_len, std::uint32_t* out_len);
  [[nodiscard]] unsigned char* Auto_Decipher(const unsigned char* src, std::uint32_t src_len, std::uint32_t* out_len);
  [[nodiscard]] unsigned char* Decipher_Text(const unsigned char* src, std::uint32_t src_len, std::uint32_t* out_len);
  [[nodiscard]] unsigned char* Auto_Decipher_Text(const unsigned char* src, std::uint32_t src_len,
                                                  std::uint32_t* out_len);

  // Read-only view of the key state, for diagnostics and tests.
  [[nodiscard]] const qx::cipher::KeyState& GetKeyState() const noexcept { return FKeyState; }

 private:
  // Length of the key text: the bytes of Key before its first zero byte.
  [[nodiscard]] std::size_t KeyTextLength() const noexcept;
  // Runs the key schedule from Key; the caller has checked KeyTextLength() <= MaxKeyLength.
  void ScheduleKeyText() noexcept;

  int FErrorCode = ErrNone;
};

namespace Blowfish {
// Design-time registration: puts TBlowfish on the "Security" palette page.
void Register();
}  // namespace Blowfish
