// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
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

namespace orv {
namespace {

TEST(BatchProgress, EstimatesTheTimeLeftFromThePhotosFinished) {
  EXPECT_EQ(CProgressDialog::EstimateRemaining(10.0, 0, 8), -1);  // nothing to go by yet
  EXPECT_DOUBLE_EQ(CProgressDialog::EstimateRemaining(10.0, 2, 8), 30.0);
  EXPECT_EQ(CProgressDialog::EstimateRemaining(10.0, 8, 8), 0);
  EXPECT_EQ(CProgressDialog::EstimateRemaining(10.0, 3, 0), -1);
  EXPECT_EQ(CProgressDialog::ClockText(0), "0:00");
  EXPECT_EQ(CProgressDialog::ClockText(59.6), "1:00");
  EXPECT_EQ(CProgressDialog::ClockText(3599.4), "59:59");
  EXPECT_EQ(CProgressDialog::ClockText(3725), "1:02:05");
  EXPECT_EQ(CProgressDialog::ClockText(-5), "0:00");
  CProgressDialog p;
  p.Create();
  EXPECT_EQ(p.TimeText(), "elapsed 0:00");
  p.SetBatchProgress(1, 4, "a.jpg, b.jpg");
  EXPECT_EQ(p.TimeText().rfind("elapsed 0:00, about 0:0", 0), 0u);
  EXPECT_EQ(p.ActiveNames(), "a.jpg, b.jpg");
}

}  // namespace
}  // namespace orv
