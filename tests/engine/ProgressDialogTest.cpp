#include "engine/ProgressDialog.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(ProgressDialog, PercentAndCounterTexts) {
  CProgressDialog p;
  EXPECT_EQ(p.PercentText(), " 0 %");
  EXPECT_EQ(p.CounterText(), " ");
  p.SetItemRange(0, 100);
  p.SetItemPos(100);
  EXPECT_EQ(p.PercentText(), "100%");
  p.SetItemPos(50);
  EXPECT_EQ(p.PercentText(), "50%");
  p.SetItemRange(0, 50);
  p.SetItemPos(75);  // 150 % shows modulo 100
  EXPECT_EQ(p.PercentText(), "50%");
  p.SetItemRange(10, 10);
  p.SetItemPos(10);  // an empty range never divides by zero
  EXPECT_EQ(p.PercentText(), "0%");
  p.SetQueueTotal(7);
  p.SetQueuePos(3);
  EXPECT_EQ(p.CounterText(), "3/7");
}

TEST(ProgressDialog, CancelIsReportedOnce) {
  CProgressDialog p;
  p.Create();
  EXPECT_FALSE(p.CancelPressed());
  p.PressCancel();
  p.PressCancel();
  EXPECT_TRUE(p.CancelPressed());
  EXPECT_FALSE(p.CancelPressed());
}

TEST(ProgressDialog, SameStageTextIsNotRedrawn) {
  struct Counting : CProgressDialog {
    int redraws = 0;
    void OnStageChanged() override { ++redraws; }
  } p;
  p.SetStageText("Loading...");
  p.SetStageText("Loading...");
  p.SetStageText("Saving...");
  EXPECT_EQ(p.redraws, 2);
  EXPECT_EQ(p.StageText(), "Saving...");
}

}  // namespace
}  // namespace orv
