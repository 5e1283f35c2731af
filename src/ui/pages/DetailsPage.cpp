// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/DetailsPage.h"

#include <tuple>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/pages/CurveControl.h"
#include "settings/SettingValues.h"

namespace orv::ui {

CDetailsPage::CDetailsPage(Settings& s, bool advanced, CPreviewPanel* preview, QWidget* parent)
    : CTuningPage(s, parent), advanced_(advanced) {
  setObjectName(advanced ? "detailsAdvancedPage" : "detailsBasicPage");
  QVBoxLayout* left = TwoColumns(preview, true);

  std::tie(sharpenSwitch_, sharpenCurve_) =
      AddSwitchedCurve(left, QStringLiteral("Sharpen"), QStringLiteral("Enable Sharpen"),
                       advanced ? &s.Sharpen.Enabled : &s.Sharpen.SimEnabled,
                       advanced ? s.Sharpen.Advanced : s.Sharpen.Basic);

  if (advanced) {
    QGroupBox* type = AddGroup(left, QStringLiteral("Type"));
    convolution_ = new QRadioButton(QStringLiteral("Convolution Matrix (Fast)"), this);
    gaussian_ = new QRadioButton(QStringLiteral("Gaussian (Unsharp mask)"), this);
    type->layout()->addWidget(convolution_);
    type->layout()->addWidget(gaussian_);
    connect(gaussian_, &QRadioButton::toggled, this, [this] { Edited(); });

    QGroupBox* radius = AddGroup(left, QStringLiteral("Gaussian Radius (0.6 - 5.6)"));
    radiusTitle_ = radius;
    radiusCurve_ = AddCurve(s.Radius.Advanced);
    radius->layout()->addWidget(radiusCurve_);
  }
  left->addStretch(1);
  LoadFromSettings();
}

void CDetailsPage::LoadControls() {
  if (!advanced_) return;
  // Every type but 0 is the unsharp mask.
  (settings_.Sharpen.Type == sharpen_type::kConvolution ? convolution_ : gaussian_)->setChecked(true);
}

void CDetailsPage::CommitControls() {
  if (!advanced_) return;
  // Keep a stored type other than 0 and 1 as long as the user does not pick another one.
  bool storedGaussian = settings_.Sharpen.Type != sharpen_type::kConvolution;
  if (gaussian_->isChecked() != storedGaussian) settings_.Sharpen.Type = gaussian_->isChecked();
}

void CDetailsPage::UpdateEnabling() {
  bool on = sharpenSwitch_->isChecked();
  sharpenCurve_->curve().SetEnabled(on);
  if (!advanced_) return;
  convolution_->setEnabled(on);
  gaussian_->setEnabled(on);
  // The radius only matters to the unsharp mask.
  radiusCurve_->curve().SetEnabled(on && gaussian_->isChecked());
  radiusTitle_->setEnabled(on && gaussian_->isChecked());
}

}  // namespace orv::ui
