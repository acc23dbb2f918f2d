// Where the key of a seal or open comes from: a key file, an environment variable, the factory default, the
// unkeyed state, or a prompt on the terminal. Never the command line itself, where process lists would show it.
#pragma once

#include <string>

#include "api/Key.h"

namespace qxenv {

struct KeyChoice {
  std::string file;         // --key-file
  std::string environment;  // --key-env
  bool factory_default = false;
  bool unkeyed = false;
};

// Resolves the choice into a key and checks its length. Throws UsageError when no source is given and there is
// no terminal to ask on, or the named environment variable is not set; Failure when the key file cannot be read
// or the key is too long or, with `confirm`, the two entries at the prompt differ.
[[nodiscard]] qx::Key obtain_key(const KeyChoice& choice, bool confirm);

}  // namespace qxenv
