// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Tab 7, "Size && Quality": how the output is resized and which JPEG quality it gets.
#pragma once

#include "ui/SettingsPage.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QRadioButton;
class QSpinBox;

namespace orv::ui {

class CSizeQualityPage : public CSettingsPage {
  Q_OBJECT
 public:
  explicit CSizeQualityPage(PageContext& ctx, QWidget* parent = nullptr);

  void LoadFromModel() override;
  void UpdateEnabling() override;

 private:
  void Connect();

  QButtonGroup* sizeType_;
  QSpinBox* percent_;
  QSpinBox* width_;
  QSpinBox* height_;
  QComboBox* filter_;
  QLabel* filterLabel_;
  QCheckBox* saveOriginal_;
  QCheckBox* keepExif_;
  QButtonGroup* qualityType_;
  QRadioButton* qualityMatch_;
  QDoubleSpinBox* maxKB_;
  QSpinBox* cq_;
  QLabel* minQLabel_;
  QSpinBox* minQ_;
  QCheckBox* subsampling_;
  QLabel* qualityMarker_;
};

}  // namespace orv::ui
