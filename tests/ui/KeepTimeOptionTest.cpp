// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The GO! page's file-time option: it drives the engine and lives in the per-user store, so it
// survives closing the window whatever profile is loaded.
#include <QCheckBox>

#include "platform/UserStore.h"
#include "ui/UiTestSupport.h"

namespace orv::test {
namespace {

class KeepTimeOptionTest : public UiFixture {};

TEST_F(KeepTimeOptionTest, TheChoiceIsKeptPerUserAndReachesTheEngine) {
  ui::CMainWindow& w = Open();
  auto* box = Find<QCheckBox>("keepTimeBox");
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(box->isChecked());
  EXPECT_FALSE(w.engine().keepFileTime());
  box->setChecked(true);
  EXPECT_TRUE(w.engine().keepFileTime());
  EXPECT_EQ(ReadUserValue("Settings", "KeepTime"), "1");
  Close();

  ui::CMainWindow& again = Open();
  EXPECT_TRUE(Find<QCheckBox>("keepTimeBox")->isChecked());
  EXPECT_TRUE(again.engine().keepFileTime());
  Find<QCheckBox>("keepTimeBox")->setChecked(false);
  EXPECT_EQ(ReadUserValue("Settings", "KeepTime"), "0");
  EXPECT_FALSE(again.engine().keepFileTime());
}

}  // namespace
}  // namespace orv::test
