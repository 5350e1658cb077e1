#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "curling_simulator.h"

namespace Curling {

// A release as the execution error sees it: the logarithm of the speed and the angle of travel,
// each divided by the standard deviation that the engine's noise (0.3) gives it, and the curl.
// Two releases one unit apart differ by one standard deviation of the error.
struct ReleasePoint {
  double speed = 0.0;
  double angle = 0.0;
  bool curl = false;
};

// The point of a release, and back.
ReleasePoint ToReleasePoint(const ShotVelocity& velocity);
ShotVelocity ToVelocity(const ReleasePoint& point);

// The weight that a sample executed at `sample` gives to the estimate of `arm`: a Gaussian of the
// distance in error units (1 at the same point), 0 across curls and beyond four units. It is also
// the density (up to a constant) of executing `sample` when `arm` is asked for.
double KernelWeight(const ReleasePoint& arm, const ReleasePoint& sample);

// Arms this far (error units) from the release a sample was asked at share in it.
inline constexpr double kShareReach = 1.5;

// The weight of a sample asked at `asked` and executed at `executed` in the estimate of `arm`: the
// likelihood ratio KernelWeight(arm, executed) / KernelWeight(asked, executed), at most
// kMaxShareWeight, for an arm within kShareReach of `asked` (of its curl), else 0. So an arm's
// estimate is the mean of what its own samples gave (weight 1), with its neighbours' samples
// reweighted to the arm's own execution error: an unbiased estimate of the arm's value. (Weighting
// by KernelWeight(arm, executed) alone would value each arm as if its error were a factor of
// sqrt(2) smaller than it is, and so favour the shots that need precision.)
inline constexpr double kMaxShareWeight = 5.0;
double ShareWeight(const ReleasePoint& arm, const ReleasePoint& asked,
                   const ReleasePoint& executed);

// One arm of the bandit: a release to try, where it came from, and its kernel-regression
// statistics: weight = the sum of the kernel weights of every sample, value = the weighted sum of
// their values, pulls = the samples taken at this arm itself.
struct Arm {
  ShotVelocity release{};
  ReleasePoint point{};
  std::string label;
  double power = -1.0;
  double weight = 0.0;
  double value = 0.0;
  std::uint32_t pulls = 0;

  // value / weight, or 0 without weight.
  double Mean() const { return weight > 0.0 ? value / weight : 0.0; }
};

// A bandit over releases with kernel regression, as kernel-regression UCT runs it at a node:
// every noisy sample (the release asked, the release the simulator executed and the value it led
// to) counts for each arm near the release asked with its ShareWeight, so that a sample informs
// the arms near the release it was executed at; arms are chosen by an upper confidence bound on
// these shared estimates, and refinement adds arms around the leading ones. A plain value; one per
// search worker.
class KernelBandit {
 public:
  // Exploration factor, applied to the spread of the values seen so far.
  static constexpr double kExploration = 1.0;

  // Adds an arm, with the statistics that the samples already recorded give it.
  void AddArm(const ShotVelocity& release, std::string label, double power);

  // The arm to sample next: every arm once, in order, then the largest upper bound
  // Mean + kExploration * spread * sqrt(ln(samples) / weight) (ties to the earliest).
  std::size_t Select() const;

  // Records one sample taken at arm `arm`, executed as `executed`, worth `value`.
  void Record(std::size_t arm, const ShotVelocity& executed, double value);

  // Adds up to `perLeader` arms around each of the `leaders` arms of highest mean (among the arms
  // pulled at least once): the release moved by `step` error units in speed, then in angle, each
  // way; a new arm closer than half a unit to an existing one of its curl is left out. Returns the
  // number added.
  std::size_t Refine(std::size_t leaders, double step);

  // The arm to play: the largest Mean - spread / sqrt(weight) among the arms pulled at least once
  // (ties to the earliest). Needs an arm.
  std::size_t Best() const;

  const std::vector<Arm>& Arms() const { return arms_; }
  // Samples recorded here and merged in from other workers.
  std::uint64_t Samples() const { return recorded_ + mergedSamples_; }

  // The store of samples that arms added later (AddArm, Refine) take their statistics from: it
  // keeps at most `bytes` worth (StoreBytes() each, the first ones recorded); the arms' own
  // statistics count every sample whatever the store holds. Unbounded until limited; limiting it
  // to 0 frees it, for a bandit that adds no more arms.
  void LimitStore(std::uint64_t bytes);
  std::size_t StoredSamples() const { return samples_.size(); }
  static constexpr std::size_t StoreBytes() { return sizeof(Sample); }

  // Adds the weights and values of `other`'s first `count` arms into this one's (arms of the same
  // releases, from workers that started from the same list) and counts its samples as well.
  void MergeShared(const KernelBandit& other, std::size_t count);

 private:
  // One sample; `own` is KernelWeight(asked, executed), the same for every arm it is shared with.
  struct Sample {
    ReleasePoint asked;
    ReleasePoint executed;
    double own;
    double value;
  };
  double Spread() const;

  std::vector<Arm> arms_;
  std::vector<Sample> samples_;
  std::size_t storeLimit_ = static_cast<std::size_t>(-1);
  std::uint64_t recorded_ = 0;
  double sum_ = 0.0;
  double sumSquares_ = 0.0;
  std::uint64_t mergedSamples_ = 0;
};

}  // namespace Curling
