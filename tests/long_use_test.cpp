// Hours of use in one host process: 200 rounds of making, starting, using
// and releasing a control leave nothing behind.
#include <windows.h>
#include <gtest/gtest.h>

#include "tests/support/host_round.h"
#include "tests/support/process_usage.h"

namespace {

// Every round does its work and gives its server references back; no GDI
// object, kernel handle or heap memory grows from round 1 to 200.
TEST(LongUse, TwoHundredRoundsLeaveNothingBehind) {
  if (test::HeapChecked()) GTEST_SKIP() << "counts leaks: the plain tiers run it";
  test::ProcessUsage first;
  for (int i = 1; i <= 200; ++i) {
    const test::HostRound round = test::RunHostRound();
    ASSERT_EQ(round.serverRefsAtEnd, round.serverRefsAtStart) << "round " << i;
    ASSERT_EQ(round.registersRead, 160u) << "round " << i;
    ASSERT_EQ(round.previewsShown, 1u) << "round " << i;
    ASSERT_EQ(round.tabsAfterModeChange, 2u) << "round " << i;
    if (i == 1) first = test::ProcessUsage::Measure();
  }
  const test::ProcessUsage last = test::ProcessUsage::Measure();
  // One object, handle or heap block left per round would add 199; 21 heap
  // bytes per round would add 4 KB.
  EXPECT_LE(last.gdiObjects, first.gdiObjects);
  EXPECT_LE(last.kernelHandles, first.kernelHandles);
  EXPECT_LE(last.heapBlocks, first.heapBlocks + 10);
  EXPECT_LT(last.heapBytes, first.heapBytes + 4096);
}

}  // namespace
