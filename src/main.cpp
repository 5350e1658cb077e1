// curling-engine: plays curling for one side of a game run by a game server, which writes one
// command per write to standard input and reads the replies from standard output.
#include <csignal>
#include <iostream>
#include <string_view>
#include <variant>

#include "engine_options.h"
#include "experiment/run_command.h"
#include "protocol/command_loop.h"
#include "protocol/command_processor.h"
#include "search/go_command.h"
#include "shots/random.h"

int main(int argc, char** argv) {
  // The command line first: a usage error ends the engine before it reads any input.
  const auto parsed = Curling::ParseOptions(argc, argv);
  if (const auto* exit = std::get_if<Curling::ParseExit>(&parsed)) {
    (exit->toStdout ? std::cout : std::cerr) << exit->text << std::flush;
    return exit->status;
  }
  const Curling::EngineOptions& options = std::get<Curling::EngineOptions>(parsed);
  if (options.seed) Curling::SeedProcessGenerator(*options.seed);
  // A server that stops reading makes replies fail instead of killing the engine; the engine then
  // ends at the end of its input like at any other.
  std::signal(SIGPIPE, SIG_IGN);
  Curling::EngineOutput out{std::cout,
                            [](std::string_view reply) { return Protocol::WriteReply(1, reply); }};
  Protocol::CommandProcessor processor(Curling::MakeGoHandler(options.goSearch, options.search),
                                       Curling::MakeRunHandler(Curling::EngineExperiment(
                                           std::cout, options.search, options.strongRun)));
  return Protocol::RunCommandLoop(0, processor, out);
}
