// qx::Key: how an envelope is keyed — a key text, the factory default text, or the unkeyed all-zero state.
#pragma once

#include <string>
#include <string_view>

namespace qx {

// A key for sealing and opening envelopes. The key text is wiped from memory when the Key is destroyed or
// overwritten. As in the component, the key text ends at its first zero byte and may be at most 56 bytes long;
// a longer text is accepted here and refused (Error code 1) when it is used.
class Key {
 public:
  // A key text, copied.
  [[nodiscard]] static Key text(std::string_view key_text);
  // The component's factory default key text "5820316497", in force when an application never set a key.
  [[nodiscard]] static Key factory_default();
  // The all-zero key state a component enciphers with before any key schedule has run. Envelopes written that
  // way exist; this reads and writes them.
  [[nodiscard]] static Key unkeyed();

  Key(const Key& other);
  Key(Key&& other) noexcept;
  Key& operator=(const Key& other);
  Key& operator=(Key&& other) noexcept;
  ~Key();

  // Throws Error code 1 when the key text is longer than the component accepts; judged by the component itself.
  void check() const;

  [[nodiscard]] bool is_unkeyed() const noexcept { return unkeyed_; }
  // The key text as given (empty for an unkeyed Key).
  [[nodiscard]] std::string_view key_text() const noexcept { return text_; }

 private:
  Key(std::string_view key_text, bool unkeyed);
  void wipe() noexcept;

  std::string text_;
  bool unkeyed_;
};

}  // namespace qx
