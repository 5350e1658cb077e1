// curling-match: plays games between two curling engines, as a game server does.
#include <iostream>
#include <variant>

#include "engine_process.h"
#include "match.h"
#include "options.h"
#include "signals.h"
#include "summary_command.h"

int main(int argc, char** argv) {
  Match::InstallSignalHandling();
  Match::AdoptOrphanedEngineProcesses();
  auto parsed = Match::ParseOptions(argc, argv);
  if (auto* exit = std::get_if<Match::ParseExit>(&parsed)) {
    (exit->toStdout ? std::cout : std::cerr) << exit->text << std::flush;
    return exit->status;
  }
  const auto& options = std::get<Match::MatchOptions>(parsed);
  if (options.summary) return Match::RunSummaryCommand(*options.summary, std::cout, std::cerr);
  try {
    Match::SimulatorShotPlayer physics;
    Match::RunMatch(options, physics, std::cerr);
    // A signal that came after the last wait: the match is complete, but the user asked to stop.
    if (int signal = Match::PendingInterrupt()) return 128 + signal;
    return 0;
  } catch (const Match::Interrupted& interrupted) {
    std::cerr << "curling-match: interrupted; engines stopped\n";
    return 128 + interrupted.signalNumber;
  } catch (const std::exception& error) {
    std::cerr << "curling-match: " << error.what() << "\n";
    return 1;
  }
}
