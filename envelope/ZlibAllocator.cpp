// zlib allocation functions that remember each block's size so the block can be wiped before it is freed.
#include "envelope/ZlibAllocator.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "cipher/SecureWipe.h"

namespace qx::envelope {

namespace {
// The size is kept in front of the block; the prefix keeps zlib's block aligned as malloc would.
constexpr std::size_t kPrefix = alignof(std::max_align_t);
static_assert(kPrefix >= sizeof(std::size_t));
}  // namespace

voidpf wiping_zalloc(voidpf /*opaque*/, uInt items, uInt size) noexcept {
  const std::uint64_t bytes = static_cast<std::uint64_t>(items) * size;  // cannot overflow: both are 32-bit
  if (bytes > SIZE_MAX - kPrefix) return Z_NULL;
  auto* block = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(bytes) + kPrefix));
  if (block == nullptr) return Z_NULL;
  const std::size_t stored = static_cast<std::size_t>(bytes);
  std::memcpy(block, &stored, sizeof stored);
  return block + kPrefix;
}

void wiping_zfree(voidpf /*opaque*/, voidpf address) noexcept {
  if (address == Z_NULL) return;
  unsigned char* block = static_cast<unsigned char*>(address) - kPrefix;
  std::size_t stored = 0;
  std::memcpy(&stored, block, sizeof stored);
  qx::secure_wipe(block, stored + kPrefix);
  std::free(block);
}

void use_wiping_allocator(z_stream& stream) noexcept {
  stream.zalloc = wiping_zalloc;
  stream.zfree = wiping_zfree;
  stream.opaque = Z_NULL;
}

}  // namespace qx::envelope
