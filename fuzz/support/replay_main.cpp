// Runs a harness over saved inputs without libFuzzer, so that the seed
// corpus (and every crash once found and kept there) is replayed by the
// ordinary test builds, with or without the sanitizers.
//
// Usage: <harness>_replay PATH...  (files, or folders of files; absolute
// paths, since the harness works in a scratch directory of its own)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputsUnder(const std::vector<fs::path>& roots) {
  std::vector<fs::path> inputs;
  for (const fs::path& root : roots) {
    if (!fs::is_directory(root)) {
      inputs.push_back(root);
      continue;
    }
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(root))
      if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    inputs.insert(inputs.end(), files.begin(), files.end());
  }
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> roots(argv + 1, argv + argc);
  if (roots.empty()) {
    std::fprintf(stderr, "usage: %s PATH...\n", argv[0]);
    return 2;
  }
  for (const fs::path& root : roots) {
    if (!root.is_absolute() || !fs::exists(root)) {
      std::fprintf(stderr, "%s: not an absolute path to an input or a folder of inputs\n", root.c_str());
      return 2;
    }
  }
  // Listed before the harness moves to its scratch directory.
  const std::vector<fs::path> inputs = inputsUnder(roots);
  if (inputs.empty()) {
    std::fprintf(stderr, "no inputs found\n");
    return 2;
  }
  LLVMFuzzerInitialize(&argc, &argv);
  for (const fs::path& input : inputs) {
    std::ifstream file(input, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    if (!file.good() && !file.eof()) {
      std::fprintf(stderr, "%s: cannot be read\n", input.c_str());
      return 2;
    }
    // A broken rule aborts the process: the last input named is the culprit.
    std::fprintf(stderr, "replaying %s\n", input.c_str());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::fprintf(stderr, "replayed %zu inputs\n", inputs.size());
  return 0;
}
