#include "match.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <map>
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
// A tournament's pairing plays its games as the match between its engines numbers them; the
// output numbers them within the tournament, `offset` games on.
class SlotObserver : public GameObserver {
 public:
  explicit SlotObserver(MatchOutput& output) : output_(output) {}

  void StartGame(const std::array<int, 2>& engineOfSide, int offset) {
    engineOfSide_ = engineOfSide;
    offset_ = offset;
  }
  void OnShot(const ShotEvent& shot) override {
    ShotEvent numbered = shot;
    numbered.game += offset_;
    output_.Shot(numbered, engineOfSide_);
  }
  void OnEnd(const EndPicture& end, const GameResult& soFar) override {
    output_.End(Numbered(end), Numbered(soFar));
  }
  GameResult Numbered(GameResult game) const {
    game.game += offset_;
    for (EndPicture& end : game.ends) end = Numbered(end);
    for (ShotEvent& shot : game.shots) shot.game += offset_;
    return game;
  }

 private:
  EndPicture Numbered(EndPicture end) const {
    end.game += offset_;
    return end;
  }

  MatchOutput& output_;
  std::array<int, 2> engineOfSide_{0, 1};
  int offset_ = 0;
};

// A slot's engines by their index (ENGINE_A 0 and ENGINE_B 1, or a tournament's), ended on every
// way out of the slot. A tournament's slot keeps an engine from one pairing to the next it plays
// in, and ends the one it no longer needs.
class SlotEngines {
 public:
  SlotEngines(const MatchOptions& options, const StopRequest* stop)
      : options_(options), stop_(stop) {}
  SlotEngines(const SlotEngines&) = delete;
  SlotEngines& operator=(const SlotEngines&) = delete;
  ~SlotEngines() {
    for (auto& [id, client] : clients_) client->Shutdown();
  }

  // The engines `ids` (A then B), started as needed.
  std::array<EngineClient*, 2> Pair(const std::array<int, 2>& ids) {
    for (auto it = clients_.begin(); it != clients_.end();) {
      if (it->first == ids[0] || it->first == ids[1]) {
        ++it;
      } else {
        it->second->Shutdown();
        it = clients_.erase(it);
      }
    }
    std::array<EngineClient*, 2> pair{};
    for (int e = 0; e < 2; ++e) {
      auto& client = clients_[ids[e]];
      if (!client) {
        client = std::make_unique<EngineClient>(
            Command(ids[e]), std::chrono::duration<double>(options_.timeLimit), stop_);
      }
      pair[e] = client.get();
    }
    return pair;
  }

 private:
  std::string Command(int id) const {
    if (options_.tournament) return options_.tournament->engines[id].command;
    return id == 0 ? options_.engineA : options_.engineB;
  }

  const MatchOptions& options_;
  const StopRequest* stop_;
  std::map<int, std::unique_ptr<EngineClient>> clients_;
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
    std::optional<SlotEngines> engines;
    try {
      engines.emplace(options, slotStop);
      SlotObserver observer(output);
      // Once the sequential test has decided no new game starts; those running finish.
      while (!stop.Requested() && !output.SprtDecided()) {
        const std::size_t next = nextGame++;
        if (next >= games.size()) break;
        // A tournament's game is a game of its pairing's match, numbered within that match.
        const int perMatch =
            options.tournament ? options.tournament->GamesPerPairing() : options.games;
        const int game = games[next] % perMatch;
        const int offset = games[next] - game;
        const std::array<int, 2> ids = options.tournament
                                           ? options.tournament->PairingOfGame(games[next])
                                           : std::array<int, 2>{0, 1};
        const std::array<EngineClient*, 2> clients = engines->Pair(ids);
        // Sides swap every game: ENGINE_A is side 0 in games 1, 3, 5, ...
        std::array<int, 2> engineOfSide =
            game % 2 == 0 ? std::array<int, 2>{0, 1} : std::array<int, 2>{1, 0};
        std::array<Player*, 2> bySide{clients[engineOfSide[0]], clients[engineOfSide[1]]};
        observer.StartGame(engineOfSide, offset);
        output.Game(
            observer.Numbered(PlayGame(game, bySide, engineOfSide, physics, settings, observer)));
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
