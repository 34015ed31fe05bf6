// Hours of use in one host process: 200 rounds of making, starting, using
// and releasing a control leave no GDI object, kernel handle, heap memory or
// server reference behind.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/host_round.h"
#include "tests/support/process_usage.h"

namespace {

constexpr int kRounds = 200;

void Print(int round, const test::ProcessUsage& usage, ULONG serverRefs) {
  printf(
      "round %d: GDI objects %ld, kernel handles %ld, heap bytes %zu (%zu blocks), "
      "server references %lu\n",
      round, usage.gdiObjects, usage.kernelHandles, usage.heapBytes, usage.heapBlocks, serverRefs);
}

TEST(LongUse, TwoHundredRoundsLeaveNothingBehind) {
  if (test::HeapChecked()) GTEST_SKIP() << "counts leaks: the plain tiers run it";
  test::ProcessUsage first;
  test::HostRound round;
  for (int i = 1; i <= kRounds; ++i) {
    round = test::RunHostRound();
    ASSERT_EQ(round.serverRefsAtEnd, round.serverRefsAtStart) << "round " << i;
    ASSERT_EQ(round.registersRead, 160u) << "round " << i;
    ASSERT_EQ(round.previewsShown, 1u) << "round " << i;
    ASSERT_EQ(round.tabsAfterModeChange, 2u) << "round " << i;
    if (i == 1) {
      first = test::ProcessUsage::Measure();
      Print(i, first, round.serverRefsAtEnd);
    }
  }
  const test::ProcessUsage last = test::ProcessUsage::Measure();
  Print(kRounds, last, round.serverRefsAtEnd);
  // One object, handle or heap block left per round would add 199; 21 heap
  // bytes per round would add 4 KB.
  EXPECT_LE(last.gdiObjects, first.gdiObjects);
  EXPECT_LE(last.kernelHandles, first.kernelHandles);
  EXPECT_LE(last.heapBlocks, first.heapBlocks + 10);
  EXPECT_LT(last.heapBytes, first.heapBytes + 4096);
}

}  // namespace
