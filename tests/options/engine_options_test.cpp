#include "engine_options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace Curling {
namespace {

// Parses a command line given as words separated by spaces. Returns the options as one line, or
// "exit N" and where its text goes, so that one string compares everything.
std::string Parse(const std::string& line) {
  std::istringstream words(line);
  std::vector<std::string> args{"curling-engine"};
  for (std::string word; words >> word;) args.push_back(word);
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  const auto parsed = ParseOptions(static_cast<int>(argv.size()), argv.data());
  if (const auto* exit = std::get_if<ParseExit>(&parsed)) {
    return "exit " + std::to_string(exit->status) + (exit->toStdout ? " out" : " err");
  }
  const EngineOptions& o = std::get<EngineOptions>(parsed);
  std::string search = "?";
  for (const SearchEntry& entry : Searches()) {
    if (entry.driver == o.goSearch) search = entry.name;
  }
  return std::to_string(o.search.limitMs) + " " + std::to_string(o.search.workers) + " " +
         (o.search.playoutLimit ? std::to_string(*o.search.playoutLimit) : "-") + " " + search +
         (o.strongRun ? " strong-run" : "") + " " + (o.seed ? std::to_string(*o.seed) : "-") +
         (o.search.seeded ? " seeded" : "") +
         (o.search.evaluator && o.search.evaluator == o.learned.get() ? " learned" : "") +
         (o.search.memoryBytes != kDefaultMemoryMb * kBytesPerMb
              ? " memory " + std::to_string(o.search.memoryBytes >> 20)
              : "");
}

TEST(EngineOptions, CommandLinesGiveOptionsOrExit) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "5000 4 - primitive -"},
      {"--think-ms 200 --search uct", "200 4 - uct -"},
      {"--think-ms=1 --search primitive --workers 64", "1 64 - primitive -"},
      {"--search strong --seed 3 --playouts 9", "5000 4 9 strong strong-run 3 seeded"},
      {"--memory-mb 16 --search uct", "5000 4 - uct - memory 16"},
      {"--memory-mb 1048576", "5000 4 - primitive - memory 1048576"},
      {"--memory-mb 15", "exit 2 err"},
      {"--memory-mb 1048577", "exit 2 err"},
      {"--memory-mb 64x", "exit 2 err"},
      {"--seed 0", "5000 4 - primitive 0 seeded"},
      {"--seed 7 --playouts 1 --workers 3", "5000 3 1 primitive 7 seeded"},
      {"--seed 4294967295 --playouts 4294967295 --workers 1",
       "5000 1 4294967295 primitive 4294967295 seeded"},
      // The count of all workers together must fit 32 bits.
      {"--workers 64 --playouts 67108863", "5000 64 67108863 primitive -"},
      {"--workers 64 --playouts 67108864", "exit 2 err"},
      {"--help", "exit 0 out"},
      {"--seed 7 -h", "exit 0 out"},
      {"--bogus", "exit 2 err"},
      {"stray", "exit 2 err"},
      {"--workers 2 stray", "exit 2 err"},
      {"--think-ms", "exit 2 err"},
      {"--think-ms 0", "exit 2 err"},
      {"--think-ms 86400001", "exit 2 err"},
      {"--think-ms x", "exit 2 err"},
      {"--search UCT", "exit 2 err"},
      {"--workers 0", "exit 2 err"},
      {"--workers 65", "exit 2 err"},
      {"--workers 2 --workers 3", "exit 2 err"},
      {"--seed -1", "exit 2 err"},
      {"--seed 4294967296", "exit 2 err"},
      {"--seed 12x", "exit 2 err"},
      {"--seed=", "exit 2 err"},
      {"--playouts 0", "exit 2 err"},
      {"--playouts -3", "exit 2 err"},
      {"--playouts 100 --think-ms 200", "exit 2 err"},
      {"--eval fitted", "5000 4 - primitive -"},
      {"--search strong --eval learned", "5000 4 - strong strong-run - learned"},
      {"--eval learned", "exit 2 err"},  // only "Strong" values positions
      {"--search strong --weights w.txt", "exit 2 err"},
      {"--search strong --eval fitted --weights w.txt", "exit 2 err"},
      {"--search strong --eval learned --weights /nonexistent/w.txt", "exit 2 err"},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(Parse(line), expected) << line;
}

}  // namespace
}  // namespace Curling
