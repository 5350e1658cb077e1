#include "engine_client.h"

#include <cstdio>
#include <system_error>

#include "commands.h"

namespace Match {

namespace {

// How long unfinished output may sit before it counts as the engine's (invalid) answer. Engines
// write a reply, and each diagnostic line, in one write; a piece that stays unfinished this long
// is not going to be finished.
constexpr auto kSettle = std::chrono::milliseconds(300);

// How long an engine whose pipes closed gets to exit before it is killed.
constexpr auto kExitGrace = std::chrono::milliseconds(500);

// Output an engine may write in answer to one command without giving a reply.
constexpr std::size_t kMaxOutput = std::size_t{1} << 20;

std::string Quote(const std::string& text) {
  constexpr std::size_t kMax = 120;
  std::string shown = text.size() > kMax ? text.substr(0, kMax) + "..." : text;
  std::string quoted = "\"";
  for (char c : shown) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02x", static_cast<unsigned char>(c));
      quoted += buffer;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string Seconds(std::chrono::duration<double> limit) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g s", limit.count());
  return buffer;
}

std::string CommandWord(const std::string& command) {
  return command.substr(0, command.find(' '));
}

}  // namespace

EngineClient::EngineClient(std::string command, std::chrono::duration<double> timeLimit,
                           const StopRequest* stop)
    : command_(std::move(command)), timeLimit_(timeLimit), stop_(stop) {}

Clock::time_point EngineClient::Deadline() const {
  return Clock::now() + std::chrono::duration_cast<Clock::duration>(timeLimit_);
}

std::optional<Fault> EngineClient::NewGame() {
  endsTold_ = 0;
  if (!process_) {
    try {
      process_ = std::make_unique<EngineProcess>(command_, stop_);
    } catch (const std::system_error& e) {
      return Fault{std::string("did not start: ") + e.what()};
    }
    answeredOnce_ = false;
  }
  auto deadline = Deadline();
  if (auto fault = Send(kIsReady, deadline)) return fault;
  auto reply = Await(ReplyKind::kReadyOk, deadline);
  if (auto* fault = std::get_if<Fault>(&reply)) return *fault;
  return std::nullopt;
}

std::variant<ShotAnswer, Fault> EngineClient::Move(const CurlingStateRecord& state) {
  if (!process_) return Fault{"not running"};
  const int side = state.sideToMove ? 1 : 0;
  auto deadline = Deadline();
  // The final score of every earlier end, once per game: each is stored in the slot of the end
  // that SETSTATE names.
  for (; endsTold_ < state.endNumber && endsTold_ < 10; ++endsTold_) {
    if (auto f = Send(FormatSetState(0, endsTold_, 0, side), deadline)) return *f;
    if (auto f = Send(FormatScore(state.endScores[endsTold_]), deadline)) return *f;
  }
  if (auto f = Send(FormatPosition(state), deadline)) return *f;
  if (auto f = Send(FormatSetState(state.shotNumber, state.endNumber, 0, side), deadline)) {
    return *f;
  }
  const int running =
      state.endNumber >= 0 && state.endNumber < 10 ? state.endScores[state.endNumber] : 0;
  if (auto f = Send(FormatScore(running), deadline)) return *f;
  auto asked = Clock::now();
  if (!process_->Write(kGo)) return Gone("sending GO");
  auto reply = Await(ReplyKind::kBestShot, deadline);
  if (auto* fault = std::get_if<Fault>(&reply)) return *fault;
  auto& scan = std::get<ReplyScan>(reply);
  ShotAnswer answer;
  answer.release = scan.release;
  answer.diagnostics = std::move(scan.diagnostics);
  answer.seconds = std::chrono::duration<double>(Clock::now() - asked).count();
  return answer;
}

void EngineClient::GameOver() {
  if (!process_) return;
  auto deadline = Clock::now() + std::chrono::seconds(2);
  if (Send(kGameOver, deadline)) Abandon();
}

void EngineClient::Abandon() {
  process_.reset();
}

void EngineClient::Shutdown() {
  if (process_) process_->Stop(kExitGrace);
  process_.reset();
}

Fault EngineClient::Gone(const std::string& while_) {
  std::string how = process_->WaitExit(Clock::now() + kExitGrace) ? process_->ExitDescription()
                                                                  : "closed its pipes";
  if (!answeredOnce_) return Fault{"did not start: " + how + " before answering"};
  return Fault{"exited (" + how + ") while " + while_};
}

std::optional<Fault> EngineClient::Send(const std::string& command, Clock::time_point deadline) {
  if (!process_->Write(command)) return Gone("sending " + CommandWord(command));
  switch (process_->WaitConsumed(deadline)) {
    case EngineProcess::Wait::kDone:
      return std::nullopt;
    case EngineProcess::Wait::kClosed:
      return Gone("reading " + CommandWord(command));
    case EngineProcess::Wait::kTimeout:
      break;
  }
  return Fault{"did not read " + CommandWord(command) + " within " + Seconds(timeLimit_)};
}

std::variant<ReplyScan, Fault> EngineClient::Await(ReplyKind kind, Clock::time_point deadline) {
  const char* word = kind == ReplyKind::kReadyOk ? "ISREADY" : "GO";
  std::string& output = process_->output();
  auto lastData = Clock::now();
  while (true) {
    ReplyScan scan = ScanReply(output, kind, false);
    if (scan.status == ScanStatus::kComplete) {
      output.erase(0, scan.consumed);
      answeredOnce_ = true;
      return scan;
    }
    if (scan.status == ScanStatus::kInvalid) {
      return Fault{std::string("invalid reply to ") + word + ": " + Quote(scan.text)};
    }
    if (output.size() > kMaxOutput) {
      return Fault{std::string("more than 1 MiB of output without a reply to ") + word};
    }
    const bool unfinished = scan.consumed < output.size();
    auto wakeUp = unfinished ? std::min(deadline, lastData + kSettle) : deadline;
    auto result = process_->ReadSome(wakeUp);
    if (result == EngineProcess::Wait::kDone) {
      lastData = Clock::now();
      continue;
    }
    // Nothing more is coming (quiet, closed or out of time): judge what is there.
    bool closed = result == EngineProcess::Wait::kClosed;
    if (!closed && Clock::now() < deadline && !unfinished) continue;
    if (!closed && Clock::now() < deadline && Clock::now() < lastData + kSettle) continue;
    ReplyScan settled = ScanReply(output, kind, true);
    if (settled.status == ScanStatus::kComplete) {
      output.erase(0, settled.consumed);
      answeredOnce_ = true;
      return settled;
    }
    if (settled.status == ScanStatus::kInvalid) {
      return Fault{std::string("invalid reply to ") + word + ": " + Quote(settled.text)};
    }
    if (closed) return Gone(std::string("waiting for the reply to ") + word);
    return Fault{std::string("no reply to ") + word + " within " + Seconds(timeLimit_)};
  }
}

}  // namespace Match
