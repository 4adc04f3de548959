// A private folder for the files a fuzz target writes, made once per process.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

inline const std::filesystem::path &scratch_folder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "orv-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(scratch_folder(), ec);
    });
    return std::filesystem::path(pattern);
  }();
  return folder;
}

}  // namespace fuzz
