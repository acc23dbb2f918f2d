// Allocation functions handed to zlib so that its internal buffers, which hold plaintext, are wiped on release.
#pragma once

#include <zlib.h>

namespace qx::envelope {

// zalloc/zfree pair over malloc/free; a null answer from malloc reaches zlib as Z_MEM_ERROR as usual.
[[nodiscard]] voidpf wiping_zalloc(voidpf opaque, uInt items, uInt size) noexcept;
void wiping_zfree(voidpf opaque, voidpf address) noexcept;

// Sets a fresh stream's allocation functions to the pair above.
void use_wiping_allocator(z_stream& stream) noexcept;

}  // namespace qx::envelope
