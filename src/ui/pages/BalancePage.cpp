// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/BalancePage.h"

#include <tuple>

#include <QCheckBox>
#include <QVBoxLayout>

#include "ui/pages/CurveControl.h"

namespace orv::ui {

CBalancePage::CBalancePage(Settings& s, bool advanced, CPreviewPanel* preview, QWidget* parent)
    : CTuningPage(s, parent), advanced_(advanced) {
  setObjectName(advanced ? "balanceAdvancedPage" : "balanceBasicPage");
  QVBoxLayout* left = TwoColumns(preview, false);

  std::tie(balanceSwitch_, balanceCurve_) =
      AddSwitchedCurve(left, QStringLiteral("Auto Balance"), QStringLiteral("Enable Auto Balance"),
                       advanced ? &s.Balance.Enabled : &s.Balance.SimEnabled,
                       advanced ? s.Balance.Advanced : s.Balance.Basic);

  std::tie(midtonesSwitch_, midtonesCurve_) = AddSwitchedCurve(
      left, QStringLiteral("Midtones"), QStringLiteral("Enable Midtones Correction"),
      advanced ? &s.Midtones.Enabled : &s.Midtones.SimEnabled,
      advanced ? s.Midtones.Advanced : s.Midtones.Basic);
  left->addStretch(1);
  LoadFromSettings();
}

void CBalancePage::UpdateEnabling() {
  balanceCurve_->curve().SetEnabled(balanceSwitch_->isChecked());
  midtonesCurve_->curve().SetEnabled(midtonesSwitch_->isChecked());
}

}  // namespace orv::ui
