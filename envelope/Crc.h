// Summed CRC implementations behind TBlowfish::CRC, exposed so that tests can check every variant directly.
#pragma once

#include <cstdint>

namespace qx::envelope {

// Byte-exact on any architecture: the summed CRC of len bytes from a zero register.
[[nodiscard]] std::uint32_t summed_crc_portable(const unsigned char* data, std::uint32_t len) noexcept;

// The portable variant from register crc (updated to the final register); the AVX2 variant hands it the blocks
// it gives up on and the tail.
[[nodiscard]] std::uint32_t summed_crc_run(const unsigned char* data, std::uint32_t len, std::uint32_t& crc) noexcept;

// True if summed_crc_avx2 is compiled in and this CPU (and OS) can run it.
[[nodiscard]] bool summed_crc_avx2_available() noexcept;

// The AVX2 variant; call only when summed_crc_avx2_available() is true (elsewhere it falls back to the portable
// variant). Same result as summed_crc_portable for every input.
[[nodiscard]] std::uint32_t summed_crc_avx2(const unsigned char* data, std::uint32_t len) noexcept;

}  // namespace qx::envelope
