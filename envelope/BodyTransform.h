// The block transform applied to an envelope body, and its inverse.
#pragma once

#include <cstddef>

#include "cipher/LanesX86.h"

class TBlowfish;

namespace qx::envelope {

// Transforms `len` bytes in place (len a multiple of 8) as independent 8-byte blocks under the cipher's
// current key state. Neither function changes the key state.
void encipher_body(const TBlowfish& cipher, unsigned char* body, std::size_t len) noexcept;
void decipher_body(const TBlowfish& cipher, unsigned char* body, std::size_t len) noexcept;

// The same with the four-block kernels given, so that every kernel this machine can run is testable.
void encipher_body_with(const TBlowfish& cipher, const qx::cipher::LaneKernels& kernels, unsigned char* body,
                        std::size_t len) noexcept;
void decipher_body_with(const TBlowfish& cipher, const qx::cipher::LaneKernels& kernels, unsigned char* body,
                        std::size_t len) noexcept;

}  // namespace qx::envelope
