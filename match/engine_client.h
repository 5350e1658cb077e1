#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "engine_process.h"
#include "player.h"
#include "reply_scan.h"

namespace Match {

// The server side of the engine protocol for one engine command: starts the process when a game
// needs it, sends each command in one write and only after the engine has read the previous one,
// and reads replies up to the complete READYOK or BESTSHOT text. Any fault kills the process; the
// next game starts a fresh one. Its waits end with Stopped when `stop` (if given) is requested.
class EngineClient : public Player {
 public:
  EngineClient(std::string command, std::chrono::duration<double> timeLimit,
               const StopRequest* stop = nullptr);

  std::optional<Fault> NewGame() override;
  std::variant<ShotAnswer, Fault> Move(const CurlingStateRecord& state) override;
  void GameOver() override;
  void Abandon() override;

  // Ends the engine at the end of the match: closes its input, waits a moment for it to exit,
  // then kills what is left.
  void Shutdown();

  // The running engine's process id, or -1.
  long pid() const { return process_ ? process_->pid() : -1; }

 private:
  // Writes one command and waits until the engine has read it.
  std::optional<Fault> Send(const std::string& command, Clock::time_point deadline);
  // Reads until a complete reply of `kind`, a fault or the deadline.
  std::variant<ReplyScan, Fault> Await(ReplyKind kind, Clock::time_point deadline);
  // The fault of an engine whose input or output closed: waits briefly for its exit status.
  Fault Gone(const std::string& while_);
  Clock::time_point Deadline() const;

  std::string command_;
  std::chrono::duration<double> timeLimit_;
  const StopRequest* stop_;
  std::unique_ptr<EngineProcess> process_;
  bool answeredOnce_ = false;  // false until this process has answered anything
  int endsTold_ = 0;           // earlier ends whose scores this engine has been sent this game
};

}  // namespace Match
