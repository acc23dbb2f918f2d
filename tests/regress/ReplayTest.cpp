// Replays every seed of the fuzz corpora and every input a fuzzer once failed on through its harness, so that
// the harnesses' invariants hold in every build and past findings stay fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/Check.h"
#include "fuzz/Harnesses.h"

namespace {

namespace fs = std::filesystem;

struct Harness {
  const char* name;  // folder name under fuzz/corpus and tests/regress/cases
  void (*run)(const std::uint8_t*, std::size_t);
};

std::ostream& operator<<(std::ostream& os, const Harness& h) { return os << h.name; }

std::vector<fs::path> files_in(const fs::path& dir) {
  std::vector<fs::path> files;
  if (!fs::is_directory(dir)) return files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file() && entry.path().filename().string().front() != '.') files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::uint8_t> read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A broken invariant aborts the whole binary (Check.h); the message then names the input file.
void replay(const Harness& harness, const std::vector<fs::path>& files) {
  for (const fs::path& file : files) {
    const std::string name = file.string();
    const std::vector<std::uint8_t> input = read_file(file);
    qx::fuzz::current_input_name = name.c_str();
    harness.run(input.data(), input.size());
    qx::fuzz::current_input_name = nullptr;
  }
}

class Replay : public ::testing::TestWithParam<Harness> {};

TEST_P(Replay, SeedCorpus) {
  const std::vector<fs::path> seeds = files_in(fs::path(QX_FUZZ_CORPUS_DIR) / GetParam().name);
  // A lost corpus would make this test pass vacuously.
  ASSERT_FALSE(seeds.empty()) << "no seeds in " << QX_FUZZ_CORPUS_DIR << "/" << GetParam().name;
  replay(GetParam(), seeds);
}

// Inputs that once broke an invariant or crashed; none may do so again.
TEST_P(Replay, PastFindings) { replay(GetParam(), files_in(fs::path(QX_REGRESS_CASES_DIR) / GetParam().name)); }

const Harness kHarnesses[] = {
    {"reader", qx::fuzz::read_envelope},     {"decompress", qx::fuzz::decompress_body},
    {"round_trip", qx::fuzz::seal_and_open}, {"form_text", qx::fuzz::read_form_text},
    {"inspect", qx::fuzz::inspect_envelope}, {"differential", qx::fuzz::compare_with_reference},
};

INSTANTIATE_TEST_SUITE_P(Harnesses, Replay, ::testing::ValuesIn(kHarnesses),
                         [](const ::testing::TestParamInfo<Harness>& info) { return std::string(info.param.name); });

}  // namespace
