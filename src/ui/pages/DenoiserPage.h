// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Tab 6, "Denoiser": noise removal (strength over ISO, "Filter Repeat" over the subject
// distance) or "Portrait De-Focus" with "Enhance Pink Tones"; the two are exclusive.
#pragma once

#include "ui/pages/TuningPage.h"

class QRadioButton;

namespace orv::ui {

class CDenoiserPage : public CTuningPage {
  Q_OBJECT

 public:
  CDenoiserPage(Settings& settings, bool advanced, CPreviewPanel* preview,
                QWidget* parent = nullptr);

  QCheckBox* denoiserSwitch() const { return denoiserSwitch_; }
  QRadioButton* noiseRemoval() const { return noiseRemoval_; }
  QRadioButton* portrait() const { return portrait_; }
  CCurveControl* strengthCurve() const { return strengthCurve_; }
  CCurveControl* repeatCurve() const { return repeatCurve_; }
  CCurveControl* smootherCurve() const { return smootherCurve_; }
  QCheckBox* pinkTones() const { return pinkTones_; }

 protected:
  void LoadControls() override;
  void CommitControls() override;
  void UpdateEnabling() override;

 private:
  int& PortraitField();

  bool advanced_;
  QCheckBox* denoiserSwitch_;
  QRadioButton* noiseRemoval_;
  QRadioButton* portrait_;
  CCurveControl* strengthCurve_;
  CCurveControl* repeatCurve_;
  QWidget* repeatNames_;
  CCurveControl* smootherCurve_;
  QCheckBox* pinkTones_;
};

}  // namespace orv::ui
