// Running a parsed qxenv command: one file to a file or standard output, or a batch into a directory.
#pragma once

#include "cli/Options.h"

namespace qxenv {

// Returns the exit status (kExitOk, kExitFailed); failures are reported on standard error as they happen.
// Throws UsageError when the options cannot work together.
[[nodiscard]] int run_command(const Options& options);

}  // namespace qxenv
