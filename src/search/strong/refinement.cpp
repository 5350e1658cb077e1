#include "search/strong/refinement.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace Curling {

namespace {

// The simulator's execution error for noise 0.3 (see simulator/README.md): the speed is scaled by
// 1 + z1 * n / (2 D) and the angle turned by z2 * n / D, D = 28.35 m.
constexpr double kNoise = 0.3;
constexpr double kNoiseDistance = 28.35;
constexpr double kSpeedSigma = kNoise / (2.0 * kNoiseDistance);
constexpr double kAngleSigma = kNoise / kNoiseDistance;

// Beyond this distance (in error units) a sample says nothing of an arm.
constexpr double kKernelReach = 4.0;

}  // namespace

ReleasePoint ToReleasePoint(const ShotVelocity& velocity) {
  const double vx = velocity.vx;
  const double vy = velocity.vy;
  const double speed = std::max(std::hypot(vx, vy), 1e-6);
  return ReleasePoint{std::log(speed) / kSpeedSigma, std::atan2(vx, -vy) / kAngleSigma,
                      velocity.curl};
}

ShotVelocity ToVelocity(const ReleasePoint& point) {
  const double speed = std::exp(point.speed * kSpeedSigma);
  const double angle = point.angle * kAngleSigma;
  return ShotVelocity{static_cast<float>(speed * std::sin(angle)),
                      static_cast<float>(-speed * std::cos(angle)), point.curl};
}

double KernelWeight(const ReleasePoint& arm, const ReleasePoint& sample) {
  if (arm.curl != sample.curl) return 0.0;
  const double ds = arm.speed - sample.speed;
  const double da = arm.angle - sample.angle;
  if (std::abs(ds) > kKernelReach || std::abs(da) > kKernelReach) return 0.0;
  const double d2 = ds * ds + da * da;
  if (d2 > kKernelReach * kKernelReach) return 0.0;
  return std::exp(-0.5 * d2);
}

namespace {

// ShareWeight with `own` = KernelWeight(asked, executed) given: a sample's own is the same for
// every arm, so it is computed once, when the sample is recorded.
double ShareWeightGiven(const ReleasePoint& arm, const ReleasePoint& asked,
                        const ReleasePoint& executed, double own) {
  if (arm.curl != asked.curl) return 0.0;
  const double ds = arm.speed - asked.speed;
  const double da = arm.angle - asked.angle;
  if (ds * ds + da * da > kShareReach * kShareReach) return 0.0;
  // Executed beyond the kernel's reach of the release asked: the ratio is undefined, and the
  // sample counts in full for the arm at that release (its own) and for no other.
  if (own <= 0.0) return ds == 0.0 && da == 0.0 ? 1.0 : 0.0;
  return std::min(kMaxShareWeight, KernelWeight(arm, executed) / own);
}

}  // namespace

double ShareWeight(const ReleasePoint& arm, const ReleasePoint& asked,
                   const ReleasePoint& executed) {
  return ShareWeightGiven(arm, asked, executed, KernelWeight(asked, executed));
}

void KernelBandit::AddArm(const ShotVelocity& release, std::string label, double power) {
  Arm arm;
  arm.release = release;
  arm.point = ToReleasePoint(release);
  arm.label = std::move(label);
  arm.power = power;
  for (const Sample& sample : samples_) {
    const double w = ShareWeightGiven(arm.point, sample.asked, sample.executed, sample.own);
    arm.weight += w;
    arm.value += w * sample.value;
  }
  arms_.push_back(std::move(arm));
}

double KernelBandit::Spread() const {
  const double n = static_cast<double>(Samples());
  if (n < 2.0) return 1.0;
  const double mean = sum_ / n;
  const double variance = std::max(sumSquares_ / n - mean * mean, 0.0);
  return std::max(std::sqrt(variance), 1e-3);
}

std::size_t KernelBandit::Select() const {
  for (std::size_t i = 0; i < arms_.size(); ++i) {
    if (arms_[i].pulls == 0) return i;
  }
  const double logN = std::log(static_cast<double>(Samples()) + 1.0);
  const double scale = kExploration * Spread();
  std::size_t best = 0;
  double bestBound = -std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < arms_.size(); ++i) {
    const Arm& arm = arms_[i];
    const double weight = std::max(arm.weight, 1e-3);
    const double bound = arm.Mean() + scale * std::sqrt(logN / weight);
    if (bound > bestBound) {
      bestBound = bound;
      best = i;
    }
  }
  return best;
}

void KernelBandit::Record(std::size_t arm, const ShotVelocity& executed, double value) {
  const ReleasePoint asked = arms_[arm].point;
  const ReleasePoint played = ToReleasePoint(executed);
  const Sample sample{asked, played, KernelWeight(asked, played), value};
  ++recorded_;
  if (samples_.size() < storeLimit_) {
    // Grown by doubling up to the limit, never past it.
    if (samples_.size() == samples_.capacity()) {
      samples_.reserve(std::min(storeLimit_, std::max<std::size_t>(16, 2 * samples_.capacity())));
    }
    samples_.push_back(sample);
  }
  sum_ += value;
  sumSquares_ += value * value;
  ++arms_[arm].pulls;
  for (Arm& a : arms_) {
    const double w = ShareWeightGiven(a.point, sample.asked, sample.executed, sample.own);
    a.weight += w;
    a.value += w * value;
  }
}

std::size_t KernelBandit::Refine(std::size_t leaders, double step) {
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < arms_.size(); ++i) {
    if (arms_[i].pulls > 0) order.push_back(i);
  }
  const std::size_t count = std::min(leaders, order.size());
  std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(count), order.end(),
                    [&](std::size_t a, std::size_t b) {
                      return arms_[a].Mean() > arms_[b].Mean() ||
                             (arms_[a].Mean() == arms_[b].Mean() && a < b);
                    });
  std::size_t added = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const Arm leader = arms_[order[k]];
    const ReleasePoint moves[4] = {
        {leader.point.speed + step, leader.point.angle, leader.point.curl},
        {leader.point.speed - step, leader.point.angle, leader.point.curl},
        {leader.point.speed, leader.point.angle + step, leader.point.curl},
        {leader.point.speed, leader.point.angle - step, leader.point.curl}};
    for (const ReleasePoint& point : moves) {
      const bool crowded = std::any_of(arms_.begin(), arms_.end(), [&](const Arm& a) {
        if (a.point.curl != point.curl) return false;
        const double ds = a.point.speed - point.speed;
        const double da = a.point.angle - point.angle;
        return ds * ds + da * da < 0.25;
      });
      if (crowded) continue;
      AddArm(ToVelocity(point), leader.label.ends_with("+") ? leader.label : leader.label + "+",
             leader.power);
      ++added;
    }
  }
  return added;
}

std::size_t KernelBandit::Best() const {
  const double spread = Spread();
  std::size_t best = 0;
  double bestBound = -std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < arms_.size(); ++i) {
    const Arm& arm = arms_[i];
    if (arm.pulls == 0 || arm.weight <= 0.0) continue;
    const double bound = arm.Mean() - spread / std::sqrt(arm.weight);
    if (bound > bestBound) {
      bestBound = bound;
      best = i;
    }
  }
  return best;
}

void KernelBandit::LimitStore(std::uint64_t bytes) {
  storeLimit_ = static_cast<std::size_t>(
      std::min<std::uint64_t>(bytes / sizeof(Sample), std::numeric_limits<std::size_t>::max()));
  if (samples_.size() > storeLimit_) samples_.resize(storeLimit_);
  if (storeLimit_ == 0) std::vector<Sample>().swap(samples_);
}

void KernelBandit::MergeShared(const KernelBandit& other, std::size_t count) {
  const std::size_t n = std::min({count, arms_.size(), other.arms_.size()});
  for (std::size_t i = 0; i < n; ++i) {
    arms_[i].weight += other.arms_[i].weight;
    arms_[i].value += other.arms_[i].value;
    arms_[i].pulls += other.arms_[i].pulls;
  }
  mergedSamples_ += other.recorded_ + other.mergedSamples_;
  sum_ += other.sum_;
  sumSquares_ += other.sumSquares_;
}

}  // namespace Curling
