// Invariant checks for the fuzz harnesses: a broken invariant is reported and aborts, which both libFuzzer and
// the replay tests treat as a failure.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace qx::fuzz {

// Name of the input being replayed, if any, so that an abort in a replay test says which file caused it.
inline const char* current_input_name = nullptr;

[[noreturn]] inline void check_failed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: fuzz invariant broken: %s", file, line, condition);
  if (current_input_name != nullptr) std::fprintf(stderr, " (input %s)", current_input_name);
  std::fprintf(stderr, "\n");
  std::abort();
}

}  // namespace qx::fuzz

// Unlike assert, stays active in release builds: the harnesses are built optimised.
#define QX_FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::qx::fuzz::check_failed(#condition, __FILE__, __LINE__))
