#include "match.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine_client.h"
#include "game.h"
#include "match_output.h"
#include "signals.h"
#include "stop_request.h"

namespace Match {

namespace {

// Hands one slot's games to the match output, with the engines' sides of the game being played.
class SlotObserver : public GameObserver {
 public:
  explicit SlotObserver(MatchOutput& output) : output_(output) {}

  void StartGame(const std::array<int, 2>& engineOfSide) { engineOfSide_ = engineOfSide; }
  void OnShot(const ShotEvent& shot) override { output_.Shot(shot, engineOfSide_); }
  void OnEnd(const EndPicture& end, const GameResult& soFar) override { output_.End(end, soFar); }

 private:
  MatchOutput& output_;
  std::array<int, 2> engineOfSide_{0, 1};
};

// A slot's two engines, index 0 for ENGINE_A, ended on every way out of the slot.
struct EnginePair {
  std::array<std::unique_ptr<EngineClient>, 2> clients;
  EnginePair(const MatchOptions& options, const StopRequest* stop) {
    const std::chrono::duration<double> limit(options.timeLimit);
    clients[0] = std::make_unique<EngineClient>(options.engineA, limit, stop);
    clients[1] = std::make_unique<EngineClient>(options.engineB, limit, stop);
  }
  ~EnginePair() {
    for (auto& client : clients) {
      if (client) client->Shutdown();
    }
  }
};

// The first failure of any slot, to be rethrown once every slot has ended. A slot that only
// stopped because of it (Stopped) does not replace it.
class FirstFailure {
 public:
  void Record(std::exception_ptr error) {
    std::lock_guard lock(mutex_);
    if (first_) return;
    try {
      std::rethrow_exception(error);
    } catch (const Stopped&) {
      return;
    } catch (...) {
    }
    first_ = error;
  }
  void RethrowIfAny() {
    std::lock_guard lock(mutex_);
    if (first_) std::rethrow_exception(first_);
  }

 private:
  std::mutex mutex_;
  std::exception_ptr first_;
};

// The games this run plays, from 0: those of its shard from its first game on, in game-number
// order.
std::vector<int> ShardGames(const MatchOptions& options) {
  std::vector<int> games;
  for (int game = options.shardIndex; game < options.games; game += options.shardCount) {
    if (game >= options.firstGame - 1) games.push_back(game);
  }
  return games;
}

}  // namespace

MatchTally RunMatch(const MatchOptions& options, const ShotPlayer& physics,
                    std::ostream& progress) {
  MatchOutput output(options, progress);
  const std::vector<int> games = ShardGames(options);
  const int slots = static_cast<int>(std::min<std::size_t>(options.concurrency, games.size()));
  // A lone slot has nobody to stop: its engines wait exactly as they did before there were slots.
  StopRequest stop;
  const StopRequest* slotStop = slots > 1 ? &stop : nullptr;
  const GameSettings settings{options.ends, static_cast<float>(options.noise), options.seed};
  std::atomic<std::size_t> nextGame{0};
  FirstFailure failure;

  // Each slot takes the next game not yet taken until none is left, on its own pair of engines;
  // a failure anywhere stops every slot before its engines are ended (so they are killed at once).
  auto playSlot = [&] {
    std::optional<EnginePair> engines;
    try {
      engines.emplace(options, slotStop);
      SlotObserver observer(output);
      // Once the sequential test has decided no new game starts; those running finish.
      while (!stop.Requested() && !output.SprtDecided()) {
        const std::size_t next = nextGame++;
        if (next >= games.size()) break;
        const int game = games[next];
        // Sides swap every game: ENGINE_A is side 0 in games 1, 3, 5, ...
        std::array<int, 2> engineOfSide =
            game % 2 == 0 ? std::array<int, 2>{0, 1} : std::array<int, 2>{1, 0};
        std::array<Player*, 2> bySide{engines->clients[engineOfSide[0]].get(),
                                      engines->clients[engineOfSide[1]].get()};
        observer.StartGame(engineOfSide);
        output.Game(PlayGame(game, bySide, engineOfSide, physics, settings, observer));
      }
    } catch (...) {
      failure.Record(std::current_exception());
      stop.Request();
    }
  };

  std::vector<std::thread> threads;
  try {
    for (int slot = 1; slot < slots; ++slot) threads.emplace_back(playSlot);
  } catch (...) {
    failure.Record(std::current_exception());
    stop.Request();
  }
  if (slots > 0) playSlot();  // the first slot on this thread
  for (std::thread& thread : threads) thread.join();
  failure.RethrowIfAny();
  return output.Finish();
}

}  // namespace Match
