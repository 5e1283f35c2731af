// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Tab 3, "Color Cast": blue-cast removal, "Enhance Colors" (saturation) and the filter simulator
// with its ordered filter list, the selected filter's names and the educational note.
#pragma once

#include "ui/pages/TuningPage.h"

class QComboBox;
class QLabel;

namespace orv::ui {

class CColorCastPage : public CTuningPage {
  Q_OBJECT

 public:
  CColorCastPage(Settings& settings, bool advanced, CPreviewPanel* preview,
                 QWidget* parent = nullptr);

  CCurveControl* castCurve() const { return castCurve_; }
  CCurveControl* saturationCurve() const { return saturationCurve_; }
  QCheckBox* filterSwitch() const { return filterSwitch_; }
  QComboBox* filterList() const { return filterList_; }
  QCheckBox* blackWhite() const { return blackWhite_; }
  QLabel* shortName() const { return shortName_; }
  QLabel* description() const { return description_; }

 protected:
  void LoadControls() override;
  void CommitControls() override;
  void UpdateEnabling() override;

 private:
  void ShowFilterTexts();
  int& FilterNo();

  bool advanced_;
  QCheckBox* castSwitch_;
  QCheckBox* saturationSwitch_;
  CCurveControl* castCurve_;
  CCurveControl* saturationCurve_;
  QCheckBox* filterSwitch_;
  QComboBox* filterList_;
  QCheckBox* blackWhite_;
  QLabel* shortName_;
  QLabel* description_;
  QLabel* note_;
};

}  // namespace orv::ui
