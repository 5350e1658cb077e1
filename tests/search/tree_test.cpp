#include "search/tree/tree.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <utility>

#include "fake_simulator.h"
#include "shots/random.h"

namespace Curling {
namespace {

UCTState Stats(std::uint32_t visits, std::uint32_t playouts, double win, double rate) {
  UCTState s;
  s.visits = visits;
  s.playouts = playouts;
  s.win = win;
  s.rate = rate;
  return s;
}

Node Candidate(const char* label, double y) {
  return Node(label, true, -1, false, 2.375, y);
}

// A root with `count` candidate children.
Node RootWith(int count) {
  Node root;
  for (int i = 0; i < count; ++i) root.children.push_back(Candidate("TEE", 4.0 + i));
  return root;
}

TEST(UCTStateTest, ComputeUcb) {
  struct Case {
    std::uint32_t n;
    double rate;
    double ucb;
  };
  const Case cases[] = {
      {1, 0.75, 0.75},
      {4, 0.0, 0.25809192945888626},
      {4, 1.25, 1.25 + 0.25809192945888626},
      {10, 0.0, 0.21037035315686847},
      {10, -2.0, -2.0 + 0.21037035315686847},
  };
  for (const Case& c : cases) {
    UCTState s = Stats(c.n, c.n, c.rate * c.n, c.rate);
    s.ComputeUcb();
    EXPECT_EQ(s.ucb, c.ucb) << "n " << c.n;
  }
}

TEST(UCTStateTest, RecordRewardRecomputesTheSumFromTheMean) {
  UCTState s;
  RecordReward(s, 2);
  EXPECT_EQ(s.win, 2.0);
  EXPECT_EQ(s.visits, 1u);
  EXPECT_EQ(s.rate, 2.0);
  RecordReward(s, -1);
  EXPECT_EQ(s.win, 1.0);
  EXPECT_EQ(s.visits, 2u);
  EXPECT_EQ(s.rate, 0.5);
  EXPECT_EQ(s.playouts, 0u) << "callers count playouts";
  EXPECT_EQ(s.ucb, 0.0);

  UCTState zero = Stats(1, 1, 2.0, 2.0);
  RecordReward(zero, 0);
  EXPECT_EQ(zero.win, 2.0);
  EXPECT_EQ(zero.visits, 2u);
  EXPECT_EQ(zero.rate, 1.0);

  // The stored win is not added to: only visits x rate counts.
  UCTState stale = Stats(2, 2, 100.0, 1.0);
  RecordReward(stale, 1);
  EXPECT_EQ(stale.win, 3.0);
  EXPECT_EQ(stale.rate, 1.0);
}

TEST(UCTStateTest, MergeStatsUsesASinglePrecisionRate) {
  UCTState third;
  MergeStats(third, Stats(3, 3, 1.0, 99.0));
  EXPECT_EQ(third.rate, 0.3333333432674408);
  EXPECT_EQ(third.visits, 3u);
  EXPECT_EQ(third.playouts, 3u);
  EXPECT_EQ(third.win, 1.0);

  UCTState into = Stats(1, 1, 2.0, 2.0);
  MergeStats(into, Stats(3, 3, 3.0, 1.0));
  EXPECT_EQ(into.win, 5.0);
  EXPECT_EQ(into.rate, 1.25);
  EXPECT_EQ(into.ucb, 1.5080919294588861);

  // Nothing visited after the sum: rate and ucb stay as they were.
  UCTState fresh;
  fresh.rate = 0.5;
  fresh.ucb = 7.0;
  MergeStats(fresh, UCTState{});
  EXPECT_EQ(fresh.rate, 0.5);
  EXPECT_EQ(fresh.ucb, 7.0);
  // A root: playouts grow, the rest stays zero.
  UCTState root;
  MergeStats(root, Stats(0, 40, 0.0, 0.0));
  EXPECT_EQ(root.playouts, 40u);
  EXPECT_EQ(root.rate, 0.0);
  EXPECT_EQ(root.ucb, 0.0);
}

TEST(SelectChildTest, TiesGoToTheEarliestChild) {
  std::mt19937 rng = MakeShuffleGenerator();
  Node root = RootWith(3);
  root.children[0].value.stats = Stats(4, 4, 0.0, 0.0);
  root.children[1].value.stats = Stats(4, 4, 4.0, 1.0);
  root.children[2].value.stats = Stats(4, 4, 4.0, 1.0);
  EXPECT_EQ(&SelectChild(root, rng), &root.children[1]);
  EXPECT_EQ(root.children[0].value.stats.ucb, 0.25809192945888626);
  EXPECT_EQ(root.children[1].value.stats.ucb, 1.0 + 0.25809192945888626);
  EXPECT_EQ(rng, MakeShuffleGenerator()) << "visited children draw nothing";
}

TEST(SelectChildTest, UnvisitedChildrenRankAboveVisitedOnes) {
  std::mt19937 rng(2024);
  Node root = RootWith(4);
  root.children[0].value.stats = Stats(1, 1, 16.0, 16.0);
  root.children[2].value.stats = Stats(1, 1, 8.0, 8.0);
  for (int round = 0; round < 50; ++round) {
    std::mt19937 before = rng;
    Node& chosen = SelectChild(root, rng);
    EXPECT_TRUE(&chosen == &root.children[1] || &chosen == &root.children[3]);
    for (int i : {1, 3}) {
      EXPECT_GE(root.children[static_cast<std::size_t>(i)].value.stats.ucb, 1000.0);
    }
    before.discard(2);  // one priority per unvisited child
    EXPECT_EQ(rng, before);
  }
}

TEST(SelectChildTest, UnvisitedPriorityIsTheFloatSumWidened) {
  std::mt19937 rng = MakeShuffleGenerator();
  Node root = RootWith(1);
  SelectChild(root, rng);
  // 2.77236079e+38 + 1000 in float is the priority itself.
  EXPECT_EQ(root.children[0].value.stats.ucb, static_cast<double>(2.77236079e+38f));
}

TEST(TreeTest, NewNodesAreEmptyWhateverMemoryTheyUse) {
  alignas(Node) unsigned char memory[sizeof(Node)];
  std::memset(memory, 0xff, sizeof memory);
  Node* root = new (memory) Node();
  EXPECT_EQ(root->childCount, 0);
  EXPECT_TRUE(root->children.empty());
  EXPECT_TRUE(root->value.shot.label.empty());
  EXPECT_EQ(root->value.stats.visits, 0u);
  EXPECT_EQ(root->value.stats.ucb, 0.0);
  root->~Node();

  std::memset(memory, 0xff, sizeof memory);
  Node* candidate = new (memory) Node("GUARD", false, -1, false, 2.5, 6.1324753761291504);
  EXPECT_EQ(candidate->childCount, 0);
  EXPECT_TRUE(candidate->children.empty());
  EXPECT_EQ(candidate->value.shot.label, "GUARD");
  EXPECT_EQ(candidate->value.shot.target.y, 6.1324754f);
  EXPECT_FALSE(candidate->value.shot.target.curl);
  EXPECT_EQ(candidate->value.shot.power, -1.0);
  EXPECT_EQ(candidate->value.stats.visits, 0u);
  EXPECT_EQ(candidate->value.stats.rate, 0.0);
  candidate->~Node();
}

TEST(TreeTest, CandidateNodeMakesOneSimulatorCall) {
  FakeSimulator::Reset();
  const Node draw("TEE", true, -1, false, 2.375, 4.88);
  const Node hit("RAIZE", false, 16, false, 2.5, 5.6);
  const Node root;
  const FakeSimulator::Calls calls = FakeSimulator::Counts();
  EXPECT_EQ(calls.createShot, 1u);
  EXPECT_EQ(calls.createHitShot, 1u);
  EXPECT_EQ(FakeSimulator::Last().power, 16.0f);
}

TEST(TreeTest, CopiesAreDeepAndIndependent) {
  Node source = RootWith(3);
  source.children[1].children.push_back(Candidate("FREEZE", 5.0));
  source.children[1].children.push_back(Candidate("RAIZE", 6.0));
  FakeSimulator::Reset();
  Node copy = source;
  EXPECT_EQ(FakeSimulator::Counts().createShot, 0u) << "copying calls nothing";
  ASSERT_EQ(copy.children.size(), 3u);
  ASSERT_EQ(copy.children[1].children.size(), 2u);
  EXPECT_EQ(copy.children[1].children[1].value.shot.label, "RAIZE");

  RecordReward(copy.children[1].children[0].value.stats, 3);
  copy.children[2].value.stats.playouts = 9;
  copy.children[1].children[1].value.shot.label = "CHANGED";
  copy.children[0].children.push_back(Candidate("TEE", 1.0));
  EXPECT_EQ(source.children[1].children[0].value.stats.visits, 0u);
  EXPECT_EQ(source.children[2].value.stats.playouts, 0u);
  EXPECT_EQ(source.children[1].children[1].value.shot.label, "RAIZE");
  EXPECT_TRUE(source.children[0].children.empty());

  Node assigned;
  assigned = copy;
  copy.children.clear();
  EXPECT_EQ(assigned.children.size(), 3u);
  EXPECT_EQ(assigned.children[1].children[1].value.shot.label, "CHANGED");
}

TEST(TreeTest, MoveHandsOverTheSubtree) {
  Node source = RootWith(2);
  source.children[0].children.push_back(Candidate("FREEZE", 5.0));
  const Node* firstChild = source.children.data();
  Node moved = std::move(source);
  EXPECT_TRUE(source.children.empty());  // NOLINT(bugprone-use-after-move): the contract
  EXPECT_EQ(moved.children.data(), firstChild) << "no child was copied";
  Node assigned;
  assigned = std::move(moved);
  EXPECT_TRUE(moved.children.empty());  // NOLINT(bugprone-use-after-move)
  ASSERT_EQ(assigned.children.size(), 2u);
  EXPECT_EQ(assigned.children[0].children[0].value.shot.label, "FREEZE");
}

TEST(TreeTest, SwapExchangesNodesWithTheirSubtrees) {
  Node a = Candidate("TEE", 4.88);
  Node b = Candidate("HOUSE", 5.68);
  a.children.push_back(Candidate("GUARD", 6.0));
  RecordReward(b.value.stats, 2);
  swap(a, b);
  EXPECT_EQ(a.value.shot.label, "HOUSE");
  EXPECT_EQ(a.value.stats.visits, 1u);
  EXPECT_TRUE(a.children.empty());
  EXPECT_EQ(b.value.shot.label, "TEE");
  ASSERT_EQ(b.children.size(), 1u);
  EXPECT_EQ(b.children[0].value.shot.label, "GUARD");
}

TEST(TreeTest, AppendChildrenKeepsOrderAfterExistingChildren) {
  Node root = RootWith(1);
  CandidateList list;
  list.push_back(Candidate("GUARD", 6.0));
  list.push_back(Candidate("FREEZE", 5.0));
  AppendChildren(root, std::move(list));
  ASSERT_EQ(root.children.size(), 3u);
  EXPECT_EQ(root.children[0].value.shot.label, "TEE");
  EXPECT_EQ(root.children[1].value.shot.label, "GUARD");
  EXPECT_EQ(root.children[2].value.shot.label, "FREEZE");
  AppendChildren(root, CandidateList{});
  EXPECT_EQ(root.children.size(), 3u);
}

TEST(TreeTest, MergeRootAddsStatisticsByPosition) {
  Node root = RootWith(3);
  Node worker = root;
  worker.value.stats.playouts = 5;
  worker.children[0].value.stats = Stats(3, 3, 1.0, 1.0 / 3);
  worker.children[1].value.stats = Stats(2, 2, -2.0, -1.0);
  worker.children[1].children.push_back(Candidate("DEEP", 1.0));
  MergeRoot(root, worker);
  MergeRoot(root, worker);
  EXPECT_EQ(root.value.stats.playouts, 10u);
  EXPECT_EQ(root.value.stats.visits, 0u);
  EXPECT_EQ(root.value.stats.rate, 0.0);
  EXPECT_EQ(root.children[0].value.stats.visits, 6u);
  EXPECT_EQ(root.children[0].value.stats.rate, static_cast<double>(2.0f / 6.0f));
  EXPECT_EQ(root.children[1].value.stats.win, -4.0);
  EXPECT_EQ(root.children[1].value.stats.rate, -1.0);
  EXPECT_EQ(root.children[2].value.stats.visits, 0u);
  EXPECT_EQ(root.children[2].value.stats.ucb, 0.0);
  EXPECT_TRUE(root.children[1].children.empty()) << "deeper nodes are not merged";

  // A shorter worker list merges only the positions both have.
  Node shorter = RootWith(1);
  shorter.children[0].value.stats = Stats(1, 1, 1.0, 1.0);
  MergeRoot(root, shorter);
  EXPECT_EQ(root.children[0].value.stats.visits, 7u);
  EXPECT_EQ(root.children.size(), 3u);
}

}  // namespace
}  // namespace Curling
