// Summed CRC: the sum of a CRC-16 register's value after every byte.
#include "Blowfish.h"
#include "envelope/CrcTable.h"

using qx::envelope::kCrcTable;

void TBlowfish::crcupdate(const unsigned char* byte, std::uint16_t* crc) const noexcept {
  const unsigned index = (static_cast<unsigned>(*crc) >> 8) ^ *byte;
  *crc = static_cast<std::uint16_t>((*crc << 8) ^ kCrcTable[index]);
}

std::uint32_t TBlowfish::CRC(const unsigned char* data, std::uint32_t len) const noexcept {
  std::uint16_t crc = 0;
  std::uint32_t sum = 0;
  for (std::uint32_t i = 0; i < len; ++i) {
    crcupdate(data + i, &crc);
    sum += crc;
  }
  return sum;
}
