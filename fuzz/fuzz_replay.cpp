// Replays kept fuzz inputs through the fuzz entry points, so that every
// build (with or without libFuzzer, with or without sanitizers) runs the
// inputs that once crashed, leaked or hung, and a sample of the corpora.
//
//   fuzz_replay touchstone|sc STRIDE PATH...
//
// Each PATH is a file or a folder (its files in name order). Of all the
// files found, every STRIDE-th is replayed, starting with the first: the
// sample is the same on every run. A fault aborts; finding no file at all
// is an error too, so a moved folder cannot pass unnoticed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_driver.h"

namespace {

using Entry = void (*)(const uint8_t*, size_t);

std::vector<std::filesystem::path> filesUnder(const std::vector<std::string>& paths) {
  std::vector<std::filesystem::path> files;
  for (const std::string& path : paths) {
    if (!std::filesystem::is_directory(path)) {
      files.emplace_back(path);
      continue;
    }
    std::vector<std::filesystem::path> inFolder;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
      if (entry.is_regular_file()) inFolder.push_back(entry.path());
    }
    std::sort(inFolder.begin(), inFolder.end());
    files.insert(files.end(), inFolder.begin(), inFolder.end());
  }
  return files;
}

bool readWhole(const std::filesystem::path& path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

int usage() {
  std::fprintf(stderr, "usage: fuzz_replay touchstone|sc STRIDE PATH...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return usage();
  std::string_view target = argv[1];
  Entry entry = target == "touchstone" ? korvel::fuzz::driveTouchstoneInput
                : target == "sc"       ? korvel::fuzz::driveScInput
                                       : nullptr;
  int stride = std::atoi(argv[2]);
  if (entry == nullptr || stride < 1) return usage();

  std::vector<std::filesystem::path> files = filesUnder(std::vector<std::string>(argv + 3, argv + argc));
  if (files.empty()) {
    std::fprintf(stderr, "fuzz_replay: no input found\n");
    return 1;
  }
  size_t replayed = 0;
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < files.size(); i += static_cast<size_t>(stride)) {
    if (!readWhole(files[i], &bytes)) {
      std::fprintf(stderr, "fuzz_replay: cannot read %s\n", files[i].c_str());
      return 1;
    }
    std::fprintf(stderr, "replaying %s\n", files[i].c_str());
    entry(bytes.data(), bytes.size());
    ++replayed;
  }
  std::printf("%zu of %zu inputs replayed\n", replayed, files.size());
  return 0;
}
