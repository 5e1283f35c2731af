// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Tab 4, "Details": sharpening. The Advanced page adds the sharpen type and the Gaussian radius
// curve over the F-number. Both pages show the 1:1 detail view.
#pragma once

#include "ui/pages/TuningPage.h"

class QRadioButton;

namespace orv::ui {

class CDetailsPage : public CTuningPage {
  Q_OBJECT

 public:
  CDetailsPage(Settings& settings, bool advanced, CPreviewPanel* preview,
               QWidget* parent = nullptr);

  QCheckBox* sharpenSwitch() const { return sharpenSwitch_; }
  CCurveControl* sharpenCurve() const { return sharpenCurve_; }
  // Advanced page only (null on the Basic page).
  CCurveControl* radiusCurve() const { return radiusCurve_; }
  QRadioButton* convolution() const { return convolution_; }
  QRadioButton* gaussian() const { return gaussian_; }

 protected:
  void LoadControls() override;
  void CommitControls() override;
  void UpdateEnabling() override;

 private:
  bool advanced_;
  QCheckBox* sharpenSwitch_;
  CCurveControl* sharpenCurve_;
  CCurveControl* radiusCurve_ = nullptr;
  QRadioButton* convolution_ = nullptr;
  QRadioButton* gaussian_ = nullptr;
  QWidget* radiusTitle_ = nullptr;
};

}  // namespace orv::ui
