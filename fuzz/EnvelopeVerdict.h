// The reader's verdict on an envelope's structure, derived independently of the reader for the harnesses.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx::fuzz {

// The code the reader must fail with before it deciphers anything, or 0 when the structure is sound: 6 above
// a header plus MaxData bytes, 4 without a whole header and whole blocks, 5 without the magic, 7 for a version
// below 5, then 4 for a header that contradicts its body (data length above MaxData, marker outside -1 and
// 0..7, a plain body that is not the padded data length, a compressed marker with an empty body).
[[nodiscard]] int expected_structure_code(const std::uint8_t* envelope, std::size_t size);

}  // namespace qx::fuzz
