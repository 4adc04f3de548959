// Stands in for libFuzzer where the compiler has none (g++): runs the target
// once on every file named, or found in a folder named, on the command line.
// Options in libFuzzer's -name=value form are accepted and ignored, so the
// same command line works with either.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {

int replay(const std::filesystem::path &file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
  return 1;
}

}  // namespace

int main(int argc, char **argv) {
  int count = 0;
  for (int k = 1; k < argc; ++k) {
    const std::filesystem::path path(argv[k]);
    if (argv[k][0] == '-') continue;
    if (std::filesystem::is_directory(path)) {
      for (const auto &entry : std::filesystem::recursive_directory_iterator(path))
        if (entry.is_regular_file()) count += replay(entry.path());
    } else {
      count += replay(path);
    }
  }
  std::printf("replayed %d inputs\n", count);
  return 0;
}
