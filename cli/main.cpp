// qxenv: seals, opens and inspects QX envelopes from the command line.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "cli/Failure.h"
#include "cli/Options.h"

namespace {

using qxenv::Command;
using qxenv::EnvelopeFormat;
using qxenv::Options;

void add_key_options(CLI::App& command, Options& options) {
  auto* file = command.add_option("--key-file", options.key.file, "Key: the first line of FILE (without line ending)")
                   ->type_name("FILE");
  auto* env = command.add_option("--key-env", options.key.environment, "Key: the value of environment variable NAME")
                  ->type_name("NAME");
  auto* factory =
      command.add_flag("--default-key", options.key.factory_default, "Key: the component's factory default key");
  auto* unkeyed = command.add_flag("--unkeyed", options.key.unkeyed,
                                   "No key: the all-zero key state of a component that was never given a key");
  file->excludes(env, factory, unkeyed);
  env->excludes(file, factory, unkeyed);
  factory->excludes(file, env, unkeyed);
  unkeyed->excludes(file, env, factory);
}

void add_format_option(CLI::App& command, std::string& format_name) {
  command.add_option("--format", format_name, "Envelope form: raw bytes, hex text or base64 text (default raw)")
      ->check(CLI::IsMember({"raw", "hex", "base64"}).description(""))
      ->type_name("raw|hex|base64");
}

EnvelopeFormat parse_format(const std::string& name) {
  if (name == "hex") return EnvelopeFormat::kHex;
  if (name == "base64") return EnvelopeFormat::kBase64;
  return EnvelopeFormat::kRaw;
}

void add_output_options(CLI::App& command, Options& options) {
  auto* output =
      command.add_option("-o,--output", options.output, "Write to OUT instead of standard output")->type_name("OUT");
  auto* out_dir =
      command
          .add_option("--out-dir", options.out_dir, "Batch: write one output per input into DIR (created if missing)")
          ->type_name("DIR");
  output->excludes(out_dir);
  out_dir->excludes(output);
  command.add_option("-j,--jobs", options.jobs, "Batch: files processed in parallel (default: number of cores)")
      ->check(CLI::Range(1u, 1024u))
      ->type_name("N");
  command.add_flag("-f,--force", options.force, "Replace an existing output file");
}

std::string failure_message(const CLI::App*, const CLI::Error& e) {
  return std::string("qxenv: ") + e.what() + "\nRun with --help for more information.\n";
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string format_name = "raw";
  CLI::App app(
      "Seals, opens and inspects QX envelopes.\n"
      "Exit status: 0 success, 1 the operation failed, 2 usage error.",
      "qxenv");
  app.set_version_flag("--version", "qxenv " QXENVELOPE_VERSION);
  app.require_subcommand(1);
  app.failure_message(failure_message);

  CLI::App* seal = app.add_subcommand("seal", "Write the envelope of IN (at most 51200 bytes)");
  add_key_options(*seal, options);
  seal->add_flag("--crc", options.checksum, "Store a checksum, so that a wrong key or damage is detected on opening");
  seal->add_flag("--compress", options.compress, "Compress the body with zlib when that makes it shorter");
  add_format_option(*seal, format_name);
  add_output_options(*seal, options);
  seal->add_option("IN", options.inputs, "Input files; - or none is standard input")->type_name("FILE");

  CLI::App* open = app.add_subcommand("open", "Read the data back out of the envelope IN");
  add_key_options(*open, options);
  add_format_option(*open, format_name);
  add_output_options(*open, options);
  open->add_option("IN", options.inputs, "Envelope files; - or none is standard input")->type_name("FILE");

  CLI::App* inspect =
      app.add_subcommand("inspect", "Show the header of each envelope IN and whether its structure is readable");
  add_format_option(*inspect, format_name);
  inspect->add_option("IN", options.inputs, "Envelope files; - or none is standard input")->type_name("FILE");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help and version end with status 0; every real parse error is a usage error.
    return app.exit(e) == 0 ? qxenv::kExitOk : qxenv::kExitUsage;
  }
  options.format = parse_format(format_name);
  options.command = seal->parsed() ? Command::kSeal : open->parsed() ? Command::kOpen : Command::kInspect;

  try {
    return qxenv::run_command(options);
  } catch (const qxenv::UsageError& e) {
    std::fprintf(stderr, "qxenv: %s\n", e.what());
    return qxenv::kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qxenv: %s\n", e.what());
    return qxenv::kExitFailed;
  }
}
