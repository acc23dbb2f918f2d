// qxenv driven as a user drives it: key sources, formats, failures, refusals, batches and usage errors.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "api/Envelope.h"
#include "api/TextEncoding.h"
#include "cli/RunTool.h"

namespace {

using qxenv::test::list_dir;
using qxenv::test::read_file;
using qxenv::test::run_qxenv;
using qxenv::test::RunOptions;
using qxenv::test::RunResult;
using qxenv::test::TempDir;
using qxenv::test::write_file;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

std::string sample_text() {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + ": a record worth keeping\n";
  return text;
}

std::vector<std::uint8_t> bytes_of(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<std::uint8_t> decode(const std::string& stored, const std::string& format) {
  if (format == "raw") return bytes_of(stored);
  auto bytes = format == "hex" ? qx::from_hex(stored) : qx::from_base64(stored);
  EXPECT_TRUE(bytes.has_value()) << format;
  return bytes.value_or(std::vector<std::uint8_t>{});
}

// Every key source, each with the key the API must see for it. Key files have their first line taken without
// its line ending, whatever follows.
struct KeySource {
  const char* name;
  std::function<std::vector<std::string>(const TempDir&)> args;
  qx::Key key;
};

std::vector<KeySource> key_sources() {
  return {
      {"key file, LF",
       [](const TempDir& d) {
         return std::vector<std::string>{"--key-file", d / "key.lf"};
       },
       qx::Key::text("s3cret key")},
      {"key file, CRLF and a second line",
       [](const TempDir& d) {
         return std::vector<std::string>{"--key-file", d / "key.crlf"};
       },
       qx::Key::text("s3cret key")},
      {"key file, no line ending",
       [](const TempDir& d) {
         return std::vector<std::string>{"--key-file", d / "key.bare"};
       },
       qx::Key::text("s3cret key")},
      {"environment",
       [](const TempDir&) {
         return std::vector<std::string>{"--key-env", "QXENV_TEST_KEY"};
       },
       qx::Key::text("s3cret key")},
      {"factory default", [](const TempDir&) { return std::vector<std::string>{"--default-key"}; },
       qx::Key::factory_default()},
      {"unkeyed", [](const TempDir&) { return std::vector<std::string>{"--unkeyed"}; }, qx::Key::unkeyed()},
  };
}

class Qxenv : public testing::Test {
 protected:
  void SetUp() override {
    write_file(dir / "key.lf", "s3cret key\n");
    write_file(dir / "key.crlf", "s3cret key\r\nnot part of the key\r\n");
    write_file(dir / "key.bare", "s3cret key");
    write_file(dir / "wrong.key", "not the key\n");
    write_file(dir / "sample.txt", sample_text());
    env.env["QXENV_TEST_KEY"] = "s3cret key";
  }

  RunResult run(std::vector<std::string> args, RunOptions options = {}) {
    for (const auto& [k, v] : env.env) options.env.emplace(k, v);
    return run_qxenv(args, options);
  }

  // Seals sample.txt with the key file into `name`, with a checksum.
  std::string sealed_sample(const std::string& name, const std::vector<std::string>& extra = {"--crc"}) {
    std::vector<std::string> args{"seal", "--key-file", dir / "key.lf", "-o", dir / name, dir / "sample.txt"};
    args.insert(args.end(), extra.begin(), extra.end());
    const RunResult r = run(args);
    EXPECT_EQ(r.exit_code, kOk) << r.err;
    return dir / name;
  }

  TempDir dir;
  RunOptions env;
};

TEST_F(Qxenv, RoundTripsThroughEveryKeySourceAndFormat) {
  const std::string data = sample_text();
  for (const auto& source : key_sources()) {
    for (const std::string format : {"raw", "hex", "base64"}) {
      SCOPED_TRACE(std::string(source.name) + ", " + format);
      const std::string sealed = dir / ("sealed." + format);
      const std::string opened = dir / ("opened." + format);
      std::vector<std::string> seal{"seal"};
      std::vector<std::string> open{"open"};
      for (const auto& a : source.args(dir)) {
        seal.push_back(a);
        open.push_back(a);
      }
      seal.insert(seal.end(), {"--crc", "--format", format, "-o", sealed, dir / "sample.txt"});
      open.insert(open.end(), {"--format", format, "-o", opened, sealed});

      const RunResult s = run(seal);
      ASSERT_EQ(s.exit_code, kOk) << s.err;
      EXPECT_EQ(s.err, "");
      // The envelope opens with the key the source stands for, so the tool keyed it as documented.
      EXPECT_EQ(qx::open(decode(read_file(sealed), format), source.key), bytes_of(data));

      const RunResult o = run(open);
      ASSERT_EQ(o.exit_code, kOk) << o.err;
      EXPECT_EQ(read_file(opened), data);
      std::filesystem::remove(sealed);
      std::filesystem::remove(opened);
    }
  }
}

TEST_F(Qxenv, TextFormatsEndInANewlineAndAcceptSurroundingWhitespace) {
  for (const std::string format : {"hex", "base64"}) {
    const RunResult s = run({"seal", "--default-key", "--format", format}, {.stdin_file = dir.path() / "sample.txt"});
    ASSERT_EQ(s.exit_code, kOk) << s.err;
    ASSERT_FALSE(s.out.empty());
    EXPECT_EQ(s.out.back(), '\n');
    EXPECT_EQ(s.out.find('\n'), s.out.size() - 1) << "one line";
    write_file(dir / "padded", "\n  " + s.out + "\r\n\n");
    const RunResult o = run({"open", "--default-key", "--format", format}, {.stdin_file = dir.path() / "padded"});
    ASSERT_EQ(o.exit_code, kOk) << o.err;
    EXPECT_EQ(o.out, sample_text()) << format;
  }
}

TEST_F(Qxenv, CompressedEnvelopesRoundTripAndAreSmaller) {
  const std::string sealed = sealed_sample("sample.qx", {"--crc", "--compress"});
  EXPECT_LT(read_file(sealed).size(), sample_text().size());
  const RunResult o = run({"open", "--key-file", dir / "key.lf", "-", "-o", "-"}, {.stdin_file = sealed});
  ASSERT_EQ(o.exit_code, kOk) << o.err;
  EXPECT_EQ(o.out, sample_text());
}

TEST_F(Qxenv, WrongKeyFailsAndLeavesNoOutputBehind) {
  struct Case {
    const char* what;
    std::vector<std::string> seal_extra;
    const char* message;
  };
  const Case cases[] = {
      {"checksum stored", {"--crc"}, "checksum mismatch: wrong key or damaged data"},
      {"compressed, no checksum", {"--compress"}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string sealed = sealed_sample("sample.qx", c.seal_extra);
    const auto before = list_dir(dir.path());
    const RunResult r = run({"open", "--key-file", dir / "wrong.key", "-o", dir / "out.txt", sealed});
    EXPECT_EQ(r.exit_code, kFailed);
    EXPECT_EQ(r.err.rfind("qxenv: " + sealed + ": ", 0), 0u) << r.err;
    if (c.message != nullptr) {
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(list_dir(dir.path()), before) << "no output and no temporary file";
    std::filesystem::remove(sealed);
  }
}

TEST_F(Qxenv, RefusesToOverwriteUnlessForced) {
  const std::string sealed = sealed_sample("sample.qx");
  write_file(dir / "precious", "do not lose me");
  for (const auto& command :
       {std::vector<std::string>{"seal", "--default-key", "-o", dir / "precious", dir / "sample.txt"},
        std::vector<std::string>{"open", "--key-file", dir / "key.lf", "-o", dir / "precious", sealed}}) {
    SCOPED_TRACE(command.front());
    const RunResult refused = run(command);
    EXPECT_EQ(refused.exit_code, kFailed);
    EXPECT_NE(refused.err.find("qxenv: " + dir / "precious" + ": already exists"), std::string::npos) << refused.err;
    EXPECT_EQ(read_file(dir / "precious"), "do not lose me");

    std::vector<std::string> forced = command;
    forced.push_back("--force");
    const RunResult replaced = run(forced);
    EXPECT_EQ(replaced.exit_code, kOk) << replaced.err;
    EXPECT_NE(read_file(dir / "precious"), "do not lose me");
    write_file(dir / "precious", "do not lose me");
  }
}

TEST_F(Qxenv, BatchContinuesPastABadFile) {
  const std::string data = sample_text();
  std::vector<std::string> seal{"seal", "--key-env", "QXENV_TEST_KEY", "--crc", "--out-dir", dir / "sealed", "-j", "3"};
  for (const std::string name : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
    write_file(dir / name, name + data);
    seal.push_back(dir / name);
  }
  const RunResult s = run(seal);
  ASSERT_EQ(s.exit_code, kOk) << s.err;
  EXPECT_EQ(list_dir(dir / "sealed"), (std::vector<std::string>{"a.txt.qx", "b.txt.qx", "c.txt.qx", "d.txt.qx"}));

  // 36 bytes: the length of a real envelope, so that the magic is what gives it away.
  write_file(dir / "sealed/bad.qx", "this is not an envelope, not at all.");
  const RunResult o =
      run({"open", "--key-env", "QXENV_TEST_KEY", "--out-dir", dir / "opened", "-j", "2", dir / "sealed/a.txt.qx",
           dir / "sealed/bad.qx", dir / "sealed/b.txt.qx", dir / "sealed/c.txt.qx", dir / "sealed/d.txt.qx"});
  EXPECT_EQ(o.exit_code, kFailed);
  EXPECT_EQ(o.err, "qxenv: " + dir / "sealed/bad.qx" + ": not an envelope: the QX magic is missing\n" +
                       "qxenv: opened 4 of 5 files into " + dir / "opened" + "; 1 failed\n");
  EXPECT_EQ(list_dir(dir / "opened"), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "d.txt"}));
  for (const std::string name : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
    EXPECT_EQ(read_file(dir / ("opened/" + name)), name + data);
  }
}

TEST_F(Qxenv, BatchRefusesExistingAndCollidingOutputs) {
  std::filesystem::create_directories(dir.path() / "one");
  std::filesystem::create_directories(dir.path() / "two");
  std::filesystem::create_directories(dir.path() / "out");
  write_file(dir / "one/same.txt", "first");
  write_file(dir / "two/same.txt", "second");
  write_file(dir / "fresh.txt", "third");
  write_file(dir / "out/fresh.txt.qx", "already here");
  const RunResult r = run(
      {"seal", "--unkeyed", "--out-dir", dir / "out", dir / "one/same.txt", dir / "two/same.txt", dir / "fresh.txt"});
  EXPECT_EQ(r.exit_code, kFailed);
  EXPECT_NE(r.err.find("qxenv: " + dir / "two/same.txt" + ": gives the same output name as " + dir / "one/same.txt"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("qxenv: " + dir / "out/fresh.txt.qx" + ": already exists"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("; 2 failed"), std::string::npos) << r.err;
  EXPECT_EQ(read_file(dir / "out/fresh.txt.qx"), "already here");
  EXPECT_EQ(qx::open(bytes_of(read_file(dir / "out/same.txt.qx")), qx::Key::unkeyed()), bytes_of("first"));
}

TEST_F(Qxenv, UsageErrorsExitWithTwoAndWriteNothing) {
  const std::string in = dir / "sample.txt";
  const std::string out = dir / "out";
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"seal", "--bogus", in},
      {"seal", "--default-key", "--unkeyed", "-o", out, in},
      {"seal", "--key-file", dir / "key.lf", "--key-env", "QXENV_TEST_KEY", "-o", out, in},
      {"seal", "--default-key", "-o", out, in, in},
      {"seal", "--default-key", "-o", out, "--out-dir", dir / "d", in},
      {"seal", "--default-key", "--out-dir", dir / "d", "-"},
      {"seal", "--default-key", "--format", "xml", "-o", out, in},
      {"seal", "--default-key", "-j", "0", "--out-dir", dir / "d", in},
      {"open", "-o", out, in},  // no key source and no terminal to ask on
      {"open", "--key-env", "QXENV_TEST_UNSET", "-o", out, in},
      {"inspect", "--crc", in},
  };
  for (const auto& args : cases) {
    std::string line;
    for (const auto& a : args) line += a + " ";
    SCOPED_TRACE(line);
    const RunResult r = run(args, {.unset_env = {"QXENV_TEST_UNSET"}});
    EXPECT_EQ(r.exit_code, kUsage) << r.err;
    EXPECT_EQ(r.err.rfind("qxenv: ", 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(dir / "d"));
  }
}

TEST_F(Qxenv, RefusesOverLongKeysAndData) {
  write_file(dir / "key56", std::string(56, 'k') + "\n");
  write_file(dir / "key57", std::string(57, 'k') + "\n");
  EXPECT_EQ(run({"seal", "--key-file", dir / "key56", "-o", dir / "ok.qx", dir / "sample.txt"}).exit_code, kOk);

  const RunResult long_key = run({"seal", "--key-file", dir / "key57", "-o", dir / "no.qx", dir / "sample.txt"});
  EXPECT_EQ(long_key.exit_code, kFailed);
  EXPECT_EQ(long_key.err, "qxenv: " + dir / "key57" + ": key longer than 56 bytes\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "no.qx"));

  write_file(dir / "limit", std::string(51200, 'x'));
  write_file(dir / "over", std::string(51201, 'x'));
  EXPECT_EQ(run({"seal", "--unkeyed", "-o", dir / "limit.qx", dir / "limit"}).exit_code, kOk);
  const RunResult too_long = run({"seal", "--unkeyed", "-o", dir / "over.qx", dir / "over"});
  EXPECT_EQ(too_long.exit_code, kFailed);
  EXPECT_NE(too_long.err.find("too long"), std::string::npos) << too_long.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "over.qx"));
}

TEST_F(Qxenv, InspectReportsHeaderAndVerdict) {
  const std::string sealed = sealed_sample("sample.qx", {"--crc", "--compress"});
  write_file(dir / "junk", std::string(44, 'J'));  // envelope-sized, magic wrong
  const RunResult good = run({"inspect", sealed});
  EXPECT_EQ(good.exit_code, kOk) << good.err;
  for (const std::string& expected :
       std::vector<std::string>{"file: " + sealed + "\n", std::string("version: 5\n"),
                                "data length: " + std::to_string(sample_text().size()) + " bytes\n", "checksum: stored",
                                "compression: zlib", "structure: accepted"}) {
    EXPECT_NE(good.out.find(expected), std::string::npos) << expected << "\n" << good.out;
  }

  const RunResult mixed = run({"inspect", sealed, dir / "junk", dir / "missing"});
  EXPECT_EQ(mixed.exit_code, kFailed);
  EXPECT_NE(mixed.out.find("structure: accepted"), std::string::npos) << mixed.out;
  EXPECT_NE(mixed.out.find("structure: refused, code 5"), std::string::npos) << mixed.out;
  EXPECT_NE(mixed.err.find("qxenv: " + dir / "junk" + ": not an envelope"), std::string::npos) << mixed.err;
  EXPECT_NE(mixed.err.find("qxenv: " + dir / "missing" + ": No such file"), std::string::npos) << mixed.err;

  // A crafted file name must not send control sequences to the terminal that shows the report.
  const std::string evil = dir / "evil\x1b[2Jname.qx";
  write_file(evil, read_file(sealed));
  const RunResult escaped = run({"inspect", evil});
  EXPECT_EQ(escaped.exit_code, kOk) << escaped.err;
  EXPECT_EQ(escaped.out.find('\x1b'), std::string::npos) << escaped.out;
  EXPECT_NE(escaped.out.find("evil\\x1B[2Jname.qx"), std::string::npos) << escaped.out;
}

TEST_F(Qxenv, HelpAndVersion) {
  const RunResult help = run({"--help"});
  EXPECT_EQ(help.exit_code, kOk);
  for (const char* word : {"seal", "open", "inspect"}) EXPECT_NE(help.out.find(word), std::string::npos) << word;
  for (const char* command : {"seal", "open", "inspect"}) {
    const RunResult sub = run({command, "--help"});
    EXPECT_EQ(sub.exit_code, kOk) << command;
    EXPECT_NE(sub.out.find("--format"), std::string::npos) << command;
  }
  const RunResult version = run({"--version"});
  EXPECT_EQ(version.exit_code, kOk);
  EXPECT_EQ(version.out.rfind("qxenv ", 0), 0u) << version.out;
}

TEST_F(Qxenv, PromptsForTheKeyWithoutEcho) {
  const std::string sealed = sealed_sample("sample.qx");
  const RunResult o = run({"open", "-o", dir / "out.txt", sealed}, {.terminal = true, .typed_lines = {"s3cret key"}});
  ASSERT_EQ(o.exit_code, kOk) << o.err << o.terminal;
  EXPECT_EQ(read_file(dir / "out.txt"), sample_text());
  EXPECT_NE(o.terminal.find("key: "), std::string::npos) << o.terminal;
  EXPECT_EQ(o.terminal.find("s3cret"), std::string::npos) << "echoed: " << o.terminal;

  // Sealing asks twice, so that a typing slip does not lock the data away.
  const RunResult s = run({"seal", "--crc", "-o", dir / "typed.qx", dir / "sample.txt"},
                          {.terminal = true, .typed_lines = {"typed key", "typed key"}});
  ASSERT_EQ(s.exit_code, kOk) << s.err << s.terminal;
  EXPECT_EQ(qx::open(bytes_of(read_file(dir / "typed.qx")), qx::Key::text("typed key")), bytes_of(sample_text()));

  const RunResult slip = run({"seal", "-o", dir / "slip.qx", dir / "sample.txt"},
                             {.terminal = true, .typed_lines = {"typed key", "typo key"}});
  EXPECT_EQ(slip.exit_code, kFailed);
  EXPECT_NE(slip.err.find("differ"), std::string::npos) << slip.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "slip.qx"));
}

// Ctrl-C at the prompt ends the tool, and the terminal gets its echo back.
TEST_F(Qxenv, InterruptedPromptRestoresEcho) {
  const RunResult r =
      run({"open", "-o", dir / "out.txt", sealed_sample("sample.qx")}, {.terminal = true, .typed_lines = {"\x03"}});
  EXPECT_NE(r.exit_code, kOk);
  EXPECT_TRUE(r.echo_after) << r.terminal;
  EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));
}

TEST_F(Qxenv, NoRawEnvelopeOnATerminal) {
  const RunResult raw =
      run({"seal", "--default-key", dir / "sample.txt"}, {.terminal = true, .stdout_on_terminal = true});
  EXPECT_EQ(raw.exit_code, kUsage) << raw.err;
  EXPECT_EQ(raw.terminal.find("QX"), std::string::npos);
  const RunResult hex = run({"seal", "--default-key", "--format", "hex", dir / "sample.txt"},
                            {.terminal = true, .stdout_on_terminal = true});
  EXPECT_EQ(hex.exit_code, kOk) << hex.err;
  EXPECT_NE(hex.terminal.find("515800"), std::string::npos) << "hex of the magic: " << hex.terminal;
}

}  // namespace
