#pragma once

#include <unistd.h>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

#include "engine_process.h"

namespace E2E {

// The engine writes its report files into its current directory: each run gets a directory of its
// own, and the engine is started inside it through env -C, so the test itself never changes
// directory.
class RunDirectory {
 public:
  RunDirectory() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("curling-run-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~RunDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  RunDirectory(const RunDirectory&) = delete;
  RunDirectory& operator=(const RunDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // The engine at `enginePath`, started with this directory as its working directory.
  EngineProcess Start(const std::string& enginePath) const {
    return EngineProcess("/usr/bin/env", {"-C", path_.string(), enginePath});
  }

  // A report file's content, or "<missing>".
  std::string Read(const char* name) const {
    const std::filesystem::path file = path_ / name;
    if (!std::filesystem::exists(file)) return "<missing>";
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  void Write(const char* name, std::string_view text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace E2E
