#include "shot_physics.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "contact.h"

namespace curling_sim {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Per-stone motion state during a shot. Set up by ShotRun for every stone.
struct Body {
  Phase phase;
  int spin;          // rotation: only the delivered stone has one
  bool active;       // in play
  double leaveTime;  // when the current phase takes it out of play (or infinity)
  Box reach;         // where its centre goes in the current phase while in play
};

// Per-pair search state: a found contact, or the time up to which none can occur. Left
// uninitialised until one of the two stones starts a phase (SetPhase), the only way a pair
// comes to be searched.
struct PairState {
  double hitTime;
  double freeUntil;
};

enum class EventKind { kNone, kStop, kLeave, kContact, kRecheck };

// The running simulation of one shot.
class ShotRun {
 public:
  ShotRun(StoneSet& stones, int shooter, Vec release, int spin, ShotTrace* trace)
      : stones_(stones), shooter_(shooter), trace_(trace) {
    for (int i = 0; i < kStoneCount; ++i) {
      Body& b = bodies_[i];
      b.active = stones.inPlay[i];
      b.spin = 0;
      b.leaveTime = kInfinity;
      if (b.active) {
        b.phase = StartPhase(0.0, stones.position[i], {}, 0);
        b.reach = PathBox(b.phase, 1.0);
        still_ |= 1u << i;
      }
    }
    bodies_[shooter].active = true;
    bodies_[shooter].spin = spin;
    SetPhase(shooter, StartPhase(0.0, {kReleaseX, kReleaseY}, release, spin));
  }

  ShotOutcome Run() {
    ShotOutcome outcome;
    for (; outcome.events < kMaxEvents; ++outcome.events) {
      if (!Step(outcome)) break;
    }
    if (outcome.events >= kMaxEvents) {
      outcome.capped = true;
      for (int i = 0; i < kStoneCount; ++i) {
        if (bodies_[i].active && IsMoving(bodies_[i].phase))
          SetPhase(i, StartPhase(now_, Position(i), {}, 0));
      }
    }
    for (int i = 0; i < kStoneCount; ++i) {
      stones_.inPlay[i] = bodies_[i].active;
      stones_.position[i] = bodies_[i].active ? RestPoint(bodies_[i].phase) : Vec{};
    }
    return outcome;
  }

 private:
  Vec Position(int i) const { return StateAt(bodies_[i].phase, now_).p; }

  bool Moving(int i) const { return bodies_[i].active && EndTime(bodies_[i].phase) > now_; }

  // Gives stone i a new phase from now on. Its reach over the phase (until it stops or leaves
  // play) decides which stones it can meet before its next phase: only those pairs are searched,
  // and their searches start again; the other stones' reaches are those of their own phases.
  void SetPhase(int i, const Phase& ph) {
    Body& b = bodies_[i];
    b.phase = ph;
    still_ &= ~(1u << i);
    b.leaveTime = LeavesPlayTime(ph);
    if (trace_ != nullptr) trace_->stones[i].phases.push_back(ph);
    bool reachKnown = false;  // alone on the sheet, a stone needs no reach (a draw, mostly)
    near_[i] = 0;
    for (int j = 0; j < kStoneCount; ++j) {
      const std::uint32_t bit = 1u << j;
      near_[j] &= ~(1u << i);
      if (j == i || !bodies_[j].active) continue;
      if (!reachKnown) {
        const double until = b.leaveTime < EndTime(ph) ? (b.leaveTime - ph.t0) / ph.T : 1.0;
        b.reach = PathBox(ph, std::clamp(until, 0.0, 1.0));
        reachKnown = true;
      }
      if (!BoxesNear(b.reach, bodies_[j].reach, 2.0 * kStoneRadius + kContactTolerance)) continue;
      near_[i] |= bit;
      near_[j] |= 1u << i;
      pairs_[Index(i, j)] = PairState{kInfinity, now_};
    }
  }

  static int Index(int i, int j) { return i < j ? i * kStoneCount + j : j * kStoneCount + i; }

  // Finds and handles the next event; false when every stone is at rest.
  bool Step(ShotOutcome& outcome) {
    double best = kInfinity;
    EventKind kind = EventKind::kNone;
    int first = 0, second = 0;
    for (int i = 0; i < kStoneCount; ++i) {
      if (!Moving(i)) continue;
      const Body& b = bodies_[i];
      if (b.leaveTime <= best && b.leaveTime <= EndTime(b.phase)) {
        best = b.leaveTime;
        kind = EventKind::kLeave;
        first = i;
      } else if (EndTime(b.phase) < best) {
        best = EndTime(b.phase);
        kind = EventKind::kStop;
        first = i;
      }
    }
    if (kind == EventKind::kNone) return false;
    for (int i = 0; i < kStoneCount; ++i) {
      if (!bodies_[i].active) continue;
      const bool iMoving = Moving(i);
      // The stones after i within its reach (or whose reach takes them to it).
      for (std::uint32_t later = near_[i] & ~((2u << i) - 1u); later != 0; later &= later - 1) {
        const int j = std::countr_zero(later);
        if (!bodies_[j].active || (!iMoving && !Moving(j))) continue;
        PairState& pair = pairs_[Index(i, j)];
        if (pair.hitTime == kInfinity && pair.freeUntil < best) {
          const ContactSearch s =
              FindContact(bodies_[i].phase, bodies_[j].phase, pair.freeUntil, best);
          if (s.hit) {
            pair.hitTime = s.time;
          } else {
            pair.freeUntil = s.time;
            if (s.time < best) {
              best = s.time;
              kind = EventKind::kRecheck;
            }
          }
        }
        if (pair.hitTime < best || (pair.hitTime == best && kind != EventKind::kContact)) {
          best = pair.hitTime;
          kind = EventKind::kContact;
          first = i;
          second = j;
        }
      }
    }
    now_ = std::max(now_, best);
    switch (kind) {
      case EventKind::kStop:
        break;  // the phase already ends at rest there
      case EventKind::kLeave:
        bodies_[first].active = false;
        if (trace_ != nullptr) trace_->stones[first].leftAt = now_;
        break;
      case EventKind::kContact:
        ResolveContact(first, second, outcome);
        break;
      default:
        break;
    }
    return true;
  }

  // The collision of first and second, passed on at once through the stones that touch them:
  // every touching pair that approaches after an impulse collides in turn, sweep after sweep,
  // until none approaches. A row of touching stones so takes a hit in one event instead of a
  // chatter of contacts microseconds apart. Each stone whose velocity changed starts a phase.
  void ResolveContact(int first, int second, ShotOutcome& outcome) {
    constexpr int kMaxSweeps = 64;
    constexpr double kTouchingGap = 2.0 * kStoneRadius + kContactTolerance;
    Kinematics k[kStoneCount];
    std::uint32_t known = 0, involved = 0;
    const auto state = [&](int i) -> Kinematics& {
      if ((known & (1u << i)) == 0) {
        k[i] = StateAt(bodies_[i].phase, now_);
        known |= 1u << i;
      }
      return k[i];
    };
    const auto collide = [&](int i, int j) {
      Kinematics& ki = state(i);
      Kinematics& kj = state(j);
      Collide(ki.p, ki.v, kj.p, kj.v);
      involved |= (1u << i) | (1u << j);
      if (i == shooter_ || j == shooter_) outcome.shooterTouched = true;
    };
    collide(first, second);
    for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
      bool any = false;
      for (std::uint32_t m = involved; m != 0; m &= m - 1) {
        const int i = std::countr_zero(m);
        for (std::uint32_t n = near_[i] | still_; n != 0; n &= n - 1) {
          const int j = std::countr_zero(n);
          if (j == i || !bodies_[j].active) continue;
          const Vec r = state(j).p - state(i).p;
          if (Dot(r, r) > kTouchingGap * kTouchingGap) continue;
          if (Dot(r, state(i).v - state(j).v) <= 0.0) continue;  // not approaching
          collide(i, j);
          any = true;
        }
      }
      if (!any) break;
    }
    for (std::uint32_t m = involved; m != 0; m &= m - 1) {
      const int i = std::countr_zero(m);
      SetPhase(i, StartPhase(now_, k[i].p, k[i].v, bodies_[i].spin));
    }
  }

  StoneSet& stones_;
  int shooter_;
  ShotTrace* trace_;  // null unless the caller wants the paths
  double now_ = 0.0;
  Body bodies_[kStoneCount];
  std::uint32_t near_[kStoneCount] = {};  // bit j of near_[i]: the reaches of i and j meet
  std::uint32_t still_ = 0;               // stones that have not moved in this shot
  PairState pairs_[kStoneCount * kStoneCount];
};

}  // namespace

void Collide(Vec pa, Vec& va, Vec pb, Vec& vb) {
  Vec normal = pb - pa;
  double length = Norm(normal);
  if (!(length > 0.0)) {  // concentric stones: push along the relative velocity
    normal = va - vb;
    length = Norm(normal);
    if (!(length > 0.0)) return;
  }
  normal = (1.0 / length) * normal;
  const double approach = Dot(va - vb, normal);
  if (!(approach > 0.0)) return;
  const double impulse = 0.5 * (1.0 + kRestitution) * approach;
  va = va - impulse * normal;
  vb = vb + impulse * normal;
}

ShotOutcome PlayShot(StoneSet& stones, int shooter, Vec release, int spin, ShotTrace* trace) {
  ShotRun run(stones, shooter, release, spin, trace);
  return run.Run();
}

std::vector<Vec> SampleTrack(const StoneTrack& track, double spacing) {
  std::vector<Vec> points;
  for (std::size_t k = 0; k < track.phases.size(); ++k) {
    const Phase& ph = track.phases[k];
    double until = std::min(EndTime(ph), track.leftAt);
    if (k + 1 < track.phases.size()) until = std::min(until, track.phases[k + 1].t0);
    const double last = PhaseFraction(ph, until);
    // The distance slid by the fraction u is L (u - u^2 / 2): take points evenly spaced in it.
    const double slid = ph.L * (last - 0.5 * last * last);
    const int steps = static_cast<int>(std::clamp(std::ceil(slid / spacing), 1.0, 100000.0));
    for (int s = 0; s <= steps; ++s) {
      const double distance = slid * s / steps;
      const double u =
          ph.L > 0.0 ? 1.0 - std::sqrt(std::max(0.0, 1.0 - 2.0 * distance / ph.L)) : 0.0;
      points.push_back(StateAtFraction(ph, std::min(u, last)).p);
    }
  }
  return points;
}

}  // namespace curling_sim
