// Every allocation of the writer, the reader and the compression stage made to fail in turn: each failure is
// reported with its code and leaves nothing allocated.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "Blowfish.h"
#include "alloc/FailingAllocator.h"
#include "envelope/EnvelopeTestSupport.h"
#include "envelope/MalformedEnvelopes.h"

namespace {

using qx::test::Bytes;

constexpr std::uint32_t kUnwritten = 0xDEADBEEF;

struct Outcome {
  bool ok;             // the call returned a result (already released by the runner)
  int code;            // error register afterwards
  std::uint32_t slot;  // the length slot afterwards, kUnwritten when untouched
};

struct Operation {
  std::string name;
  std::function<Outcome()> run;  // performs the call and frees what it returned
  std::set<int> failure_codes;   // codes an allocation failure may give (2, or 9/11 inside zlib's init)
  bool slot_written_on_failure;
};

Bytes Envelope(const Bytes& data, bool crc, bool compress) { return qx::test::WriteEnvelope(data, crc, compress); }

Outcome RunWriter(const Bytes& data, bool crc, bool compress, bool auto_mode) {
  TBlowfish bf(nullptr);
  bf.Crc_Check = crc;
  bf.Compression = compress;
  std::uint32_t len = kUnwritten;
  const auto n = static_cast<std::uint32_t>(data.size());
  unsigned char* out = auto_mode ? bf.Auto_Encipher(data.data(), n, &len) : bf.Encipher(data.data(), n, &len);
  std::free(out);
  return {out != nullptr, bf.GetErrorCode(), len};
}

Outcome RunReader(const Bytes& envelope, bool auto_mode, bool text_mode) {
  TBlowfish bf(nullptr);
  if (!auto_mode && !bf.InitializeKey()) return {false, -1, kUnwritten};
  std::uint32_t len = kUnwritten;
  unsigned char* out =
      bf.Decipher_Core(envelope.data(), static_cast<std::uint32_t>(envelope.size()), &len, auto_mode, text_mode);
  std::free(out);
  return {out != nullptr, bf.GetErrorCode(), len};
}

Outcome RunCompress(Bytes data) {
  TBlowfish bf(nullptr);
  std::uint32_t len = kUnwritten;
  int marker = 0;
  unsigned char* out = bf.Compress(data.data(), static_cast<std::uint32_t>(data.size()), &len, &marker);
  if (out != data.data()) std::free(out);
  return {out != nullptr, bf.GetErrorCode(), len};
}

Outcome RunDecompress(Bytes body, int marker, std::uint32_t data_len) {
  TBlowfish bf(nullptr);
  unsigned char* out = bf.Decompress(body.data(), static_cast<std::uint32_t>(body.size()), marker, data_len);
  std::free(out);
  return {out != nullptr, bf.GetErrorCode(), kUnwritten};
}

// A compressed body (deciphered form) and its marker, taken from a compressed envelope.
struct Stream {
  Bytes body;
  int marker;
};
Stream CompressedStream(const Bytes& data) {
  TBlowfish bf(nullptr);
  Bytes work = data;
  std::uint32_t len = 0;
  int marker = -1;
  unsigned char* out = bf.Compress(work.data(), static_cast<std::uint32_t>(work.size()), &len, &marker);
  EXPECT_NE(out, work.data());
  Stream s{qx::test::Copy(out, len), marker};
  std::free(out);
  return s;
}

std::vector<Operation> Operations() {
  const Bytes text = qx::test::CompressibleBytes(9000);  // three staging chunks, compresses well
  const Bytes noise = qx::test::RandomBytes(5000, 4);    // does not compress
  const Bytes text_envelope = Envelope(text, true, true);
  const Bytes plain_envelope = Envelope(noise, true, false);
  const Stream stream = CompressedStream(text);
  const std::set<int> plain{TBlowfish::ErrNoMemory};
  const std::set<int> deflating{TBlowfish::ErrNoMemory, TBlowfish::ErrCompressInit};
  const std::set<int> inflating{TBlowfish::ErrNoMemory, TBlowfish::ErrDecompressInit};
  return {
      {"writer, plain", [=] { return RunWriter(noise, true, false, true); }, plain, false},
      {"writer, compressed", [=] { return RunWriter(text, true, true, true); }, deflating, false},
      {"writer, compression does not pay off", [=] { return RunWriter(noise, false, true, false); }, deflating, false},
      {"reader, plain", [=] { return RunReader(plain_envelope, true, false); }, plain, true},
      {"reader, compressed", [=] { return RunReader(text_envelope, true, false); }, inflating, true},
      {"reader, compressed, text mode", [=] { return RunReader(text_envelope, false, true); }, inflating, true},
      {"Compress", [=] { return RunCompress(text); }, deflating, false},
      {"Compress, does not pay off", [=] { return RunCompress(noise); }, deflating, false},
      {"Decompress", [=] { return RunDecompress(stream.body, stream.marker, 9000); }, inflating, false},
  };
}

TEST(AllocationFailure, EveryAllocationOfEveryCallFailsCleanly) {
  for (const Operation& op : Operations()) {
    qx::test::alloc::Arm(0);
    const Outcome clean = op.run();
    const qx::test::alloc::Report counted = qx::test::alloc::Disarm();
    ASSERT_TRUE(clean.ok) << op.name << ": code " << clean.code;
    EXPECT_EQ(counted.live, 0u) << op.name;
    ASSERT_GT(counted.allocations, 0u) << op.name;

    std::set<int> seen;
    for (std::size_t k = 1; k <= counted.allocations; ++k) {
      qx::test::alloc::Arm(k);
      const Outcome failed = op.run();
      const qx::test::alloc::Report report = qx::test::alloc::Disarm();
      const std::string where =
          op.name + ", allocation " + std::to_string(k) + " of " + std::to_string(counted.allocations);
      EXPECT_TRUE(report.failed) << where;
      EXPECT_FALSE(failed.ok) << where;
      EXPECT_EQ(op.failure_codes.count(failed.code), 1u) << where << ": code " << failed.code;
      EXPECT_EQ(report.live, 0u) << where << ": leaked";
      EXPECT_EQ(failed.slot != kUnwritten, op.slot_written_on_failure) << where;
      seen.insert(failed.code);
    }
    EXPECT_EQ(seen, op.failure_codes) << op.name << ": every kind of failure is reached";
  }
}

TEST(AllocationFailure, RefusedEnvelopesLeaveNothingAllocated) {
  for (const qx::test::MalformedCase& c : qx::test::MalformedCases()) {
    TBlowfish bf(nullptr);
    bf.Key = c.key;
    std::uint32_t len = kUnwritten;
    qx::test::alloc::Arm(0);
    unsigned char* out = bf.Auto_Decipher(c.null_source ? nullptr : c.envelope.data(), c.length, &len);
    std::free(out);
    const qx::test::alloc::Report report = qx::test::alloc::Disarm();
    EXPECT_EQ(out, nullptr) << c.name;
    EXPECT_EQ(bf.GetErrorCode(), c.code) << c.name;
    EXPECT_EQ(report.live, 0u) << c.name;
    EXPECT_LE(report.allocations, 4u) << c.name << ": at most result, output area and zlib's two blocks";
  }
}

}  // namespace
