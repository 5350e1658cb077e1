// curling-engine: plays curling for one side of a game run by a game server, which writes one
// command per write to standard input and reads the replies from standard output.
#include <csignal>
#include <iostream>
#include <string_view>
#include <variant>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

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
#if defined(__GLIBC__)
  // One allocator arena for every thread. The searches' workers are new threads at every GO; with
  // an arena each, what they freed stayed spread over several heaps and the engine's resident
  // memory crept up by a few MiB over the first games of a match (bench/soak). The searches
  // allocate little in their loops, so the shared arena's lock costs nothing measurable.
  mallopt(M_ARENA_MAX, 1);
#endif
  Curling::EngineOutput out{std::cout,
                            [](std::string_view reply) { return Protocol::WriteReply(1, reply); }};
  Protocol::CommandProcessor processor(Curling::MakeGoHandler(options.goSearch, options.search),
                                       Curling::MakeRunHandler(Curling::EngineExperiment(
                                           std::cout, options.search, options.strongRun)));
  return Protocol::RunCommandLoop(0, processor, out);
}
