// curling-engine: plays curling for one side of a game run by a game server, which writes one
// command per write to standard input and reads the replies from standard output.
#include <csignal>
#include <iostream>
#include <string_view>

#include "experiment/run_command.h"
#include "protocol/command_loop.h"
#include "protocol/command_processor.h"
#include "search/go_command.h"

int main() {
  // A server that stops reading makes replies fail instead of killing the engine; the engine then
  // ends at the end of its input like at any other.
  std::signal(SIGPIPE, SIG_IGN);
  Curling::EngineOutput out{std::cout,
                            [](std::string_view reply) { return Protocol::WriteReply(1, reply); }};
  Protocol::CommandProcessor processor(
      Curling::HandleGo, Curling::MakeRunHandler(Curling::EngineExperiment(std::cout)));
  return Protocol::RunCommandLoop(0, processor, out);
}
