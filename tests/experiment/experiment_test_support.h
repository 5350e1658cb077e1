#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

#include "curling/engine_output.h"
#include "search/core/time_budget.h"
#include "search/tree/tree_search.h"
#include "step_clock.h"

namespace Curling::Testing {

// A directory of its own under the system's temporary directory, removed with its content.
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("curling-experiment-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The whole content of a file; "<missing>" when it does not exist.
inline std::string ReadFile(const std::filesystem::path& path) {
  if (!std::filesystem::exists(path)) return "<missing>";
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, std::string_view text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Standard output as the engine's two channels write it: the diagnostic stream and the raw
// replies land in one text in the order they were written; the replies are also counted.
struct Console {
  std::ostringstream text;
  int replies = 0;
  bool replyResult = true;  // what every raw write reports back
  EngineOutput out{text, [this](std::string_view bytes) {
                     text.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
                     ++replies;
                     return replyResult;
                   }};
};

// A shot as a fake search picks it.
inline ChosenShot FakeBest(std::string label, double power, ShotVelocity v, std::uint32_t samples,
                           double total, double mean) {
  ChosenShot best;
  best.shot.label = std::move(label);
  best.shot.power = power;
  best.shot.velocity = v;
  best.samples = samples;
  best.total = total;
  best.mean = mean;
  return best;
}

// Two fake searches with fixed answers, told apart in every column. The first draws to (2.875, 5)
// with a losing record, the second hits through (2.125, 20) with a long label and large counts.
inline SearchResult FirstFake(const CurlingGameState&, const SearchConfig&) {
  return SearchResult{
      12, 34567, FakeBest("FREEZE", -1.0, ShotVelocity{0.5f, -5.0f, true}, 7, -3.0, -3.0 / 7.0)};
}
inline SearchResult SecondFake(const CurlingGameState&, const SearchConfig&) {
  return SearchResult{9, 812,
                      FakeBest("COME_AROUND", 16.0, ShotVelocity{-0.25f, -20.0f, false}, 100000,
                               1234567.0, 0.123456789)};
}

// The console rows and "shot.txt" lines the two fakes give at a shot number, with a time of 1 ms
// in the row and 2 ms in the file (a counter that advances by one at every reading).
inline std::string Pad(int value, std::size_t width) {
  std::string text = std::to_string(value);
  return std::string(text.size() < width ? width - text.size() : 0, ' ') + text;
}
inline std::string FirstRow(int shot) {
  return "Primitive : 34567 :   12 : " + Pad(shot, 5) +
         " : -1 :      FREEZE : -0.429 : -3 :     7 :     1\n";
}
inline std::string SecondRow(int shot) {
  return "    UCT :   812 :    9 : " + Pad(shot, 5) +
         " : 16 : COME_AROUND : 0.123 : 1234567 : 100000 :     1\n";
}
inline std::string FirstLine(int shot) {
  return "Primitive,34567,12," + std::to_string(shot) + ",-1,FREEZE,-0.428571,-3,7,2\n";
}
inline std::string SecondLine(int shot) {
  return "UCT,812,9," + std::to_string(shot) + ",16,COME_AROUND,0.123457,1.23457e+06,100000,2\n";
}

}  // namespace Curling::Testing
