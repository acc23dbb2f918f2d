// explicit_bzero is glibc's guaranteed-not-elided memset.
#include "cipher/SecureWipe.h"

#include <string.h>

namespace qx {

void secure_wipe(void* data, std::size_t size) noexcept {
  if (data != nullptr && size != 0) {
    explicit_bzero(data, size);
  }
}

}  // namespace qx
