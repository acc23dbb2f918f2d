// Fuzz harness for what qxenv inspect shows: the modern API's header reading and the report made from it.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>

#include "Blowfish.h"
#include "api/Envelope.h"
#include "cli/InspectReport.h"
#include "envelope/Format.h"
#include "fuzz/Check.h"
#include "fuzz/EnvelopeVerdict.h"
#include "fuzz/Harnesses.h"

namespace qx::fuzz {
namespace {

using envelope::kHeaderSize;
using envelope::load_le32;

// The fields must be the header's bytes, and the verdict the one the format's rules give.
void check_fields(const EnvelopeInfo& info, const std::uint8_t* env, std::size_t size) {
  QX_FUZZ_CHECK(info.envelope_length == size);
  QX_FUZZ_CHECK(info.structure_code == expected_structure_code(env, size));
  QX_FUZZ_CHECK(info.structure_ok() == (info.structure_code == TBlowfish::ErrNone));
  QX_FUZZ_CHECK(info.header_complete == (size >= kHeaderSize));
  if (!info.header_complete) return;
  QX_FUZZ_CHECK(std::memcmp(info.magic, env, sizeof info.magic) == 0);
  QX_FUZZ_CHECK(info.magic_ok == (env[0] == 'Q' && env[1] == 'X' && env[2] == 0));
  QX_FUZZ_CHECK(info.version == static_cast<std::int8_t>(env[envelope::kVersionOffset]));
  QX_FUZZ_CHECK(info.data_length == load_le32(env + envelope::kDataLengthOffset));
  QX_FUZZ_CHECK(info.checksum == load_le32(env + envelope::kChecksumOffset));
  QX_FUZZ_CHECK(info.marker == static_cast<std::int32_t>(load_le32(env + envelope::kMarkerOffset)));
  QX_FUZZ_CHECK(info.body_length == size - kHeaderSize);
}

// The report goes to terminals and logs: nothing of the envelope may reach them except as printable text.
void check_report(const std::string& report) {
  QX_FUZZ_CHECK(!report.empty() && report.back() == '\n');
  for (const char c : report) {
    const auto b = static_cast<unsigned char>(c);
    QX_FUZZ_CHECK(b == '\n' || (b >= 0x20 && b < 0x7F));
  }
  QX_FUZZ_CHECK(report.find("structure: ") != std::string::npos);
}

}  // namespace

void inspect_envelope(const std::uint8_t* data, std::size_t size) {
  // A buffer of exactly the input's size (non-null even when empty), so that reading past it is caught.
  const std::unique_ptr<std::uint8_t[]> env(new std::uint8_t[size]);
  if (size != 0) std::memcpy(env.get(), data, size);

  const EnvelopeInfo info = inspect(std::span<const std::uint8_t>(env.get(), size));
  check_fields(info, env.get(), size);
  check_report(qxenv::describe_envelope("input.qx", info));

  // What inspect announces without a key, the reader answers with any key.
  static TBlowfish unkeyed(nullptr);
  std::uint32_t length = 0;
  unsigned char* read = unkeyed.Decipher(env.get(), static_cast<std::uint32_t>(size), &length);
  if (!info.structure_ok()) QX_FUZZ_CHECK(read == nullptr && unkeyed.GetErrorCode() == info.structure_code);
  std::free(read);
}

}  // namespace qx::fuzz
