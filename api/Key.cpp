// Key construction and wiping of the key text.
#include "api/Key.h"

#include <utility>

#include "Blowfish.h"
#include "api/Error.h"
#include "cipher/SecureWipe.h"

namespace qx {

Key::Key(std::string_view key_text, bool unkeyed) : text_(key_text), unkeyed_(unkeyed) {}

Key Key::text(std::string_view key_text) { return Key(key_text, false); }

Key Key::factory_default() { return Key(TBlowfish::DefaultKey, false); }

Key Key::unkeyed() { return Key({}, true); }

void Key::check() const {
  if (unkeyed_) {
    return;
  }
  TBlowfish cipher(nullptr);
  cipher.Key.assign(text_);
  if (!cipher.InitializeKey()) {
    throw Error(cipher.GetErrorCode());
  }
}

Key::Key(const Key& other) : text_(other.text_), unkeyed_(other.unkeyed_) {}

// A moved-from short string keeps its bytes in its inline buffer, hence the wipe of the source.
Key::Key(Key&& other) noexcept : text_(std::move(other.text_)), unkeyed_(other.unkeyed_) { other.wipe(); }

Key& Key::operator=(const Key& other) {
  if (this != &other) {
    // Wipe first: the assignment may release the old buffer.
    wipe();
    text_ = other.text_;
    unkeyed_ = other.unkeyed_;
  }
  return *this;
}

Key& Key::operator=(Key&& other) noexcept {
  if (this != &other) {
    wipe();
    text_ = std::move(other.text_);
    unkeyed_ = other.unkeyed_;
    other.wipe();
  }
  return *this;
}

Key::~Key() { wipe(); }

void Key::wipe() noexcept {
  // The whole capacity: bytes past size() may still hold an earlier, longer text.
  text_.resize(text_.capacity());
  secure_wipe(text_.data(), text_.size());
  text_.clear();
}

}  // namespace qx
