// What a qxenv command line asks for, once parsed.
#pragma once

#include <string>
#include <vector>

#include "cli/KeySource.h"

namespace qxenv {

enum class Command { kSeal, kOpen, kInspect };
// How envelopes are written and read: bytes as they are, or as text for text columns and channels.
enum class EnvelopeFormat { kRaw, kHex, kBase64 };

struct Options {
  Command command = Command::kInspect;
  KeyChoice key;
  bool checksum = false;
  bool compress = false;
  bool force = false;
  EnvelopeFormat format = EnvelopeFormat::kRaw;
  std::string output;               // -o; empty or "-" is standard output
  std::string out_dir;              // --out-dir; batch mode
  unsigned jobs = 0;                // 0: one per core
  std::vector<std::string> inputs;  // empty: standard input
};

}  // namespace qxenv
