// seal, open and inspect over files: reading, the modern API, text forms, and safe publication of the result.
#include "cli/Commands.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string_view>
#include <thread>

#include "Blowfish.h"
#include "api/Envelope.h"
#include "api/TextEncoding.h"
#include "cli/Failure.h"
#include "cli/FileIo.h"
#include "cli/InspectReport.h"
#include "cli/ProgressBar.h"
#include "cli/Terminal.h"

namespace qxenv {
namespace {

// Envelopes are at most a few tens of kilobytes even as text; anything far beyond is not one.
constexpr std::size_t kEnvelopeInputLimit = std::size_t{1} << 20;

void print_failure(const std::string& file, const std::string& message) {
  std::fprintf(stderr, "qxenv: %s: %s\n", file.c_str(), message.c_str());
}

std::string_view format_suffix(EnvelopeFormat format) {
  switch (format) {
    case EnvelopeFormat::kHex:
      return ".qx.hex";
    case EnvelopeFormat::kBase64:
      return ".qx.b64";
    case EnvelopeFormat::kRaw:
      break;
  }
  return ".qx";
}

// Envelope bytes in the chosen form; text forms end with a newline, as text files do.
std::vector<std::uint8_t> encode_envelope(std::vector<std::uint8_t> envelope, EnvelopeFormat format) {
  if (format == EnvelopeFormat::kRaw) {
    return envelope;
  }
  std::string text = format == EnvelopeFormat::kHex ? qx::to_hex(envelope) : qx::to_base64(envelope);
  text.push_back('\n');
  return {text.begin(), text.end()};
}

std::vector<std::uint8_t> decode_envelope(std::vector<std::uint8_t> input, EnvelopeFormat format,
                                          const std::string& name) {
  if (format == EnvelopeFormat::kRaw) {
    return input;
  }
  const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
  auto bytes = format == EnvelopeFormat::kHex ? qx::from_hex(text) : qx::from_base64(text);
  if (!bytes) {
    throw Failure(name, format == EnvelopeFormat::kHex ? "not valid hex text" : "not valid base64 text");
  }
  return std::move(*bytes);
}

std::vector<std::uint8_t> read_envelope(const std::string& path, EnvelopeFormat format) {
  std::vector<std::uint8_t> input = read_input(path, kEnvelopeInputLimit);
  if (input.size() > kEnvelopeInputLimit) {
    throw Failure(input_name(path), std::string(qx::error_message(TBlowfish::ErrTooLong)));
  }
  return decode_envelope(std::move(input), format, input_name(path));
}

// Zeroes a plaintext vector on every way out of a scope.
class WipeGuard {
 public:
  explicit WipeGuard(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  ~WipeGuard() { wipe(bytes_); }
  WipeGuard(const WipeGuard&) = delete;
  WipeGuard& operator=(const WipeGuard&) = delete;

 private:
  std::vector<std::uint8_t>& bytes_;
};

void deliver(const std::string& output, std::span<const std::uint8_t> bytes, const Options& options,
             Visibility visibility) {
  if (output.empty() || output == "-") {
    write_stdout(bytes);
  } else {
    publish_file(output, bytes, options.force ? Overwrite::kAllow : Overwrite::kRefuse, visibility);
  }
}

void seal_one(const Options& options, const qx::Key& key, const std::string& input, const std::string& output) {
  std::vector<std::uint8_t> data = read_input(input, TBlowfish::MaxData);
  const WipeGuard wipe_data(data);
  if (data.size() > TBlowfish::MaxData) {
    throw Failure(input_name(input), std::string(qx::error_message(TBlowfish::ErrTooLong)));
  }
  std::vector<std::uint8_t> envelope;
  try {
    envelope = qx::seal(data, key, {.checksum = options.checksum, .compress = options.compress});
  } catch (const qx::Error& e) {
    throw Failure(input_name(input), e.what());
  }
  deliver(output, encode_envelope(std::move(envelope), options.format), options, Visibility::kNormal);
}

void open_one(const Options& options, const qx::Key& key, const std::string& input, const std::string& output) {
  const std::vector<std::uint8_t> envelope = read_envelope(input, options.format);
  std::vector<std::uint8_t> data;
  const WipeGuard wipe_data(data);
  try {
    data = qx::open(envelope, key);
  } catch (const qx::Error& e) {
    throw Failure(input_name(input), e.what());
  }
  deliver(output, data, options, Visibility::kPrivate);
}

void process_one(const Options& options, const qx::Key& key, const std::string& input, const std::string& output) {
  if (options.command == Command::kSeal) {
    seal_one(options, key, input, output);
  } else {
    open_one(options, key, input, output);
  }
}

// Batch output name: seal appends the format's suffix; open removes it, or appends ".out" when it is missing.
std::string batch_output(const Options& options, const std::string& input) {
  const std::string name = std::filesystem::path(input).filename().string();
  const std::string_view suffix = format_suffix(options.format);
  std::string out;
  if (options.command == Command::kSeal) {
    out = name + std::string(suffix);
  } else if (name.size() > suffix.size() && name.ends_with(suffix)) {
    out = name.substr(0, name.size() - suffix.size());
  } else {
    out = name + ".out";
  }
  return (std::filesystem::path(options.out_dir) / out).string();
}

const char* verb(Command command) { return command == Command::kSeal ? "sealed" : "opened"; }

int run_batch(const Options& options, const std::vector<std::string>& inputs) {
  std::error_code ec;
  std::filesystem::create_directories(options.out_dir, ec);
  if (ec || !std::filesystem::is_directory(options.out_dir)) {
    print_failure(options.out_dir, ec ? ec.message() : "not a directory");
    return kExitFailed;
  }
  // Two inputs with one file name would race for one output; the later ones fail instead.
  std::vector<std::string> outputs;
  std::vector<std::string> clash(inputs.size());
  std::map<std::string, std::string> first_claim;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    outputs.push_back(batch_output(options, inputs[i]));
    const auto [it, fresh] = first_claim.emplace(outputs[i], inputs[i]);
    if (!fresh) clash[i] = it->second;
  }

  const qx::Key key = obtain_key(options.key, options.command == Command::kSeal);
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t workers = std::min<std::size_t>(options.jobs == 0 ? cores : options.jobs, inputs.size());

  ProgressBar progress(inputs.size(), stderr_is_terminal());
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> failed{0};
  auto work = [&] {
    for (std::size_t i = next++; i < inputs.size(); i = next++) {
      try {
        if (!clash[i].empty()) {
          throw Failure(inputs[i], "gives the same output name as " + clash[i]);
        }
        check_can_create(outputs[i], options.force ? Overwrite::kAllow : Overwrite::kRefuse);
        process_one(options, key, inputs[i], outputs[i]);
      } catch (const Failure& f) {
        progress.print("qxenv: " + f.file() + ": " + f.what());
        ++failed;
      } catch (const std::exception& e) {
        progress.print("qxenv: " + inputs[i] + ": " + e.what());
        ++failed;
      }
      progress.advance();
    }
  };
  std::vector<std::jthread> pool;
  for (std::size_t t = 1; t < workers; ++t) pool.emplace_back(work);
  work();
  pool.clear();  // joins

  const std::size_t bad = failed.load();
  char summary[256];
  if (bad == 0) {
    std::snprintf(summary, sizeof summary, "qxenv: %s %zu of %zu files into %s", verb(options.command), inputs.size(),
                  inputs.size(), options.out_dir.c_str());
  } else {
    std::snprintf(summary, sizeof summary, "qxenv: %s %zu of %zu files into %s; %zu failed", verb(options.command),
                  inputs.size() - bad, inputs.size(), options.out_dir.c_str(), bad);
  }
  progress.print(summary);
  return bad == 0 ? kExitOk : kExitFailed;
}

int run_inspect(const Options& options, const std::vector<std::string>& inputs) {
  int status = kExitOk;
  bool first = true;
  for (const std::string& input : inputs) {
    try {
      const std::vector<std::uint8_t> envelope = read_envelope(input, options.format);
      const qx::EnvelopeInfo info = qx::inspect(envelope);
      const std::string report = describe_envelope(input_name(input), info);
      std::fputs(first ? "" : "\n", stdout);
      std::fputs(report.c_str(), stdout);
      std::fflush(stdout);
      first = false;
      if (!info.structure_ok()) {
        print_failure(input_name(input), std::string(qx::error_message(info.structure_code)));
        status = kExitFailed;
      }
    } catch (const Failure& f) {
      print_failure(f.file(), f.what());
      status = kExitFailed;
    }
  }
  return status;
}

}  // namespace

int run_command(const Options& options) {
  std::vector<std::string> inputs = options.inputs;
  if (inputs.empty()) inputs.emplace_back("-");
  if (options.command == Command::kInspect) {
    return run_inspect(options, inputs);
  }

  if (!options.out_dir.empty()) {
    if (std::ranges::count(inputs, std::string("-")) != 0) {
      throw UsageError("standard input has no file name to use in --out-dir");
    }
    try {
      return run_batch(options, inputs);
    } catch (const Failure& f) {
      print_failure(f.file(), f.what());
      return kExitFailed;
    }
  }
  if (inputs.size() > 1) {
    throw UsageError("several inputs need --out-dir DIR");
  }
  const std::string& input = inputs.front();
  const bool to_stdout = options.output.empty() || options.output == "-";
  if (to_stdout && options.command == Command::kSeal && options.format == EnvelopeFormat::kRaw &&
      stdout_is_terminal()) {
    throw UsageError("refusing to write a raw envelope to a terminal: use -o FILE or --format hex|base64");
  }
  try {
    // Before asking for a key, so that nobody types one for nothing.
    if (!to_stdout) check_can_create(options.output, options.force ? Overwrite::kAllow : Overwrite::kRefuse);
    const qx::Key key = obtain_key(options.key, options.command == Command::kSeal);
    process_one(options, key, input, options.output);
  } catch (const Failure& f) {
    print_failure(f.file(), f.what());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace qxenv
