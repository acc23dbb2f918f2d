// qx::Error: the exception of the modern API, carrying the component's error code and a message for it.
#pragma once

#include <stdexcept>
#include <string_view>

namespace qx {

// Clear English text for a component error code 0..12; any other value gives "unknown error".
[[nodiscard]] std::string_view error_message(int code) noexcept;

// Thrown by the modern API when the component reports a failure. code() is the component's code (TBlowfish::Err*),
// what() its message.
class Error : public std::runtime_error {
 public:
  explicit Error(int code);

  [[nodiscard]] int code() const noexcept { return code_; }

 private:
  int code_;
};

}  // namespace qx
