// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Tab 2, "Balance": the auto balance and midtone curves with their switches.
#pragma once

#include "ui/pages/TuningPage.h"

namespace orv::ui {

class CBalancePage : public CTuningPage {
  Q_OBJECT

 public:
  // advanced: the Advanced page (curves over the exposure), else the Basic page (one value each).
  CBalancePage(Settings& settings, bool advanced, CPreviewPanel* preview,
               QWidget* parent = nullptr);

  CCurveControl* balanceCurve() const { return balanceCurve_; }
  CCurveControl* midtonesCurve() const { return midtonesCurve_; }
  QCheckBox* balanceSwitch() const { return balanceSwitch_; }
  QCheckBox* midtonesSwitch() const { return midtonesSwitch_; }

 protected:
  void LoadControls() override {}
  void CommitControls() override {}
  void UpdateEnabling() override;

 private:
  bool advanced_;
  QCheckBox* balanceSwitch_;
  QCheckBox* midtonesSwitch_;
  CCurveControl* balanceCurve_;
  CCurveControl* midtonesCurve_;
};

}  // namespace orv::ui
