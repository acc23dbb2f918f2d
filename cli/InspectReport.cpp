// Formatting of header fields and the structural verdict for people reading a terminal or a log.
#include "cli/InspectReport.h"

#include <cstdio>

#include "envelope/Format.h"

namespace qxenv {
namespace {

std::string printf_string(const char* fmt, auto... args) {
  char line[256];
  std::snprintf(line, sizeof line, fmt, args...);
  return line;
}

std::string quoted_bytes(const std::uint8_t* bytes, std::size_t count) {
  std::string text = "\"";
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t b = bytes[i];
    text += b >= 0x20 && b < 0x7F && b != '"' && b != '\\' ? std::string(1, static_cast<char>(b))
                                                           : printf_string("\\x%02X", static_cast<unsigned>(b));
  }
  return text + "\"";
}

// File names come from the command line or a directory listing: control bytes must not reach the terminal.
std::string printable_name(const std::string& name) {
  std::string text;
  for (const char c : name) {
    const auto b = static_cast<unsigned char>(c);
    text += b < 0x20 || b == 0x7F ? printf_string("\\x%02X", static_cast<unsigned>(b)) : std::string(1, c);
  }
  return text;
}

}  // namespace

std::string describe_envelope(const std::string& name, const qx::EnvelopeInfo& info) {
  std::string text = "file: " + printable_name(name) + "\n";
  text += printf_string("envelope length: %zu bytes\n", info.envelope_length);
  if (!info.header_complete) {
    text += printf_string("header: incomplete (%zu of %zu bytes)\n", info.envelope_length, qx::envelope::kHeaderSize);
  } else {
    text +=
        "magic: " + quoted_bytes(info.magic, sizeof info.magic) + (info.magic_ok ? " (QX envelope)\n" : " (not QX)\n");
    text += printf_string("version: %d\n", static_cast<int>(info.version));
    text += printf_string("data length: %u bytes\n", static_cast<unsigned>(info.data_length));
    text += info.has_checksum() ? printf_string("checksum: stored, 0x%08X\n", static_cast<unsigned>(info.checksum))
                                : std::string("checksum: none\n");
    if (!info.compressed()) {
      text += "compression: none (marker -1)\n";
    } else if (info.marker >= 0 && info.marker <= qx::envelope::kMaxFillerMarker) {
      text += printf_string("compression: zlib, %d filler bytes after the stream\n", static_cast<int>(info.marker));
    } else {
      text += printf_string("compression: invalid marker %d\n", static_cast<int>(info.marker));
    }
    text += printf_string("body length: %zu bytes\n", info.body_length);
  }
  if (info.structure_ok()) {
    text += "structure: accepted by the reader (key and checksum not checked)\n";
  } else {
    text += printf_string("structure: refused, code %d: ", info.structure_code) +
            std::string(qx::error_message(info.structure_code)) + "\n";
  }
  return text;
}

}  // namespace qxenv
