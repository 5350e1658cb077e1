// A small engine for the match runner's tests. It speaks the engine protocol (one command per
// read of at most 1024 bytes, replies without a line terminator) and draws to the tee on GO, or
// misbehaves on purpose, as its options say (short: a valid draw to a corner in front of the
// house, which never scores: a weaker player than draw):
//   --mode draw|short|silent|garbage|bad-curl|flood|exit|diagnostics|split|slow|no-ready|deaf
//   --at-go N          misbehave from the N-th GO of the process on (default 1); earlier GOs draw
//   --delay-ms N       for slow: pause before each BESTSHOT; for split: inside it
//   --ready-delay-ms N pause before READYOK
//   --read-delay-ms N  pause before every read, so that commands written too early would merge
//   --transcript FILE  append every read as one line: what the runner sent, one command a line
//   --pid-file FILE    append the process id at start
//   --rendezvous FILE N  before the first READYOK, append the process id to FILE and wait until N
//                      processes have done so: N such engines answer only if they run at once
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "curling_simulator.h"

namespace {

struct Settings {
  std::string mode = "draw";
  int atGo = 1;
  int delayMs = 0;
  int readyDelayMs = 0;
  int readDelayMs = 0;
  std::string transcript;
  std::string pidFile;
  std::string rendezvous;
  int rendezvousCount = 0;
};

void Reply(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(1, text.data() + done, text.size() - done);
    if (n <= 0) std::exit(3);
    done += static_cast<std::size_t>(n);
  }
}

void Pause(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void AppendPid(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "a");
  if (!f) std::exit(2);
  std::fprintf(f, "%ld\n", static_cast<long>(getpid()));
  std::fclose(f);
}

int LineCount(const std::string& path) {
  std::ifstream in(path);
  int lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  return lines;
}

std::string DrawReply(int shotNumber, float x = 2.375f, float y = 4.88f) {
  ShotTarget target{x, y, shotNumber % 2 == 1};
  ShotVelocity release{};
  if (CreateShot(target, &release) != 0) std::exit(4);
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, "BESTSHOT %f %f %d", double{release.vx}, double{release.vy},
                release.curl ? 1 : 0);
  return buffer;
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string key = argv[i];
    std::string value = argv[i + 1];
    if (key == "--mode") {
      s.mode = value;
    } else if (key == "--at-go") {
      s.atGo = std::atoi(value.c_str());
    } else if (key == "--delay-ms") {
      s.delayMs = std::atoi(value.c_str());
    } else if (key == "--ready-delay-ms") {
      s.readyDelayMs = std::atoi(value.c_str());
    } else if (key == "--read-delay-ms") {
      s.readDelayMs = std::atoi(value.c_str());
    } else if (key == "--transcript") {
      s.transcript = value;
    } else if (key == "--pid-file") {
      s.pidFile = value;
    } else if (key == "--rendezvous" && i + 2 < argc) {
      s.rendezvous = value;
      s.rendezvousCount = std::atoi(argv[i + 2]);
      ++i;
    } else {
      return 2;  // an unknown option: fail loudly rather than play normally
    }
  }
  if (!s.pidFile.empty()) AppendPid(s.pidFile);
  FILE* transcript = s.transcript.empty() ? nullptr : std::fopen(s.transcript.c_str(), "a");
  if (s.mode == "deaf") {
    while (true) pause();  // never reads anything
  }

  int goCount = 0;
  int shotNumber = 0;
  char buffer[1024];
  while (true) {
    Pause(s.readDelayMs);
    std::memset(buffer, 0, sizeof buffer);
    ssize_t got = read(0, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return 0;
    std::string command(buffer, static_cast<std::size_t>(got));
    if (transcript) {
      std::fprintf(transcript, "%s\n", command.c_str());
      std::fflush(transcript);
    }
    if (command == "ISREADY") {
      if (s.mode == "no-ready") continue;
      Pause(s.readyDelayMs);
      if (!s.rendezvous.empty()) {
        AppendPid(s.rendezvous);
        while (LineCount(s.rendezvous) < s.rendezvousCount) Pause(5);
        s.rendezvous.clear();
      }
      Reply("READYOK");
    } else if (command.rfind("SETSTATE ", 0) == 0) {
      shotNumber = std::atoi(command.c_str() + 9);
    } else if (command == "GO") {
      ++goCount;
      bool misbehave = goCount >= s.atGo;
      if (!misbehave || s.mode == "draw") {
        Reply(DrawReply(shotNumber));
      } else if (s.mode == "short") {
        Reply(DrawReply(shotNumber, 0.6f, 9.0f));  // a corner guard, off the draw's path
      } else if (s.mode == "silent") {
        // no answer
      } else if (s.mode == "garbage") {
        Reply("HELLO THERE");
      } else if (s.mode == "bad-curl") {
        Reply("BESTSHOT 0.1 -2.3 2");
      } else if (s.mode == "flood") {
        const std::string chunk(65536, 'x');  // endless output without a line feed
        while (true) Reply(chunk);
      } else if (s.mode == "exit") {
        return 7;
      } else if (s.mode == "diagnostics") {
        // Diagnostic lines in separate writes, then the reply on the same stream.
        Reply("thinking about shot " + std::to_string(shotNumber) + "\n");
        Reply("candidates 12 BESTSHOT-like text inside a line\n");
        Reply(DrawReply(shotNumber));
      } else if (s.mode == "split") {
        // The reply in two writes, the second after a pause.
        std::string reply = DrawReply(shotNumber);
        Reply(reply.substr(0, 11));
        Pause(s.delayMs);
        Reply(reply.substr(11));
      } else if (s.mode == "slow") {
        Pause(s.delayMs);
        Reply(DrawReply(shotNumber));
      } else {
        return 2;
      }
    }
  }
}
