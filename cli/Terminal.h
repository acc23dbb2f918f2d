// The controlling terminal: asking for a key without echo, and whether a standard stream is a terminal.
#pragma once

#include <optional>
#include <string>

namespace qxenv {

// Writes `prompt` to /dev/tty and reads one line from it with echo off (restored afterwards, also on failure).
// nullopt when the process has no terminal. The caller wipes the returned text.
[[nodiscard]] std::optional<std::string> read_hidden_line(const char* prompt);

[[nodiscard]] bool stdout_is_terminal() noexcept;
[[nodiscard]] bool stderr_is_terminal() noexcept;

}  // namespace qxenv
