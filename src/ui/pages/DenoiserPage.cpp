// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/DenoiserPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/pages/CurveControl.h"

namespace orv::ui {

CDenoiserPage::CDenoiserPage(Settings& s, bool advanced, CPreviewPanel* preview, QWidget* parent)
    : CTuningPage(s, parent), advanced_(advanced) {
  setObjectName(advanced ? "denoiserAdvancedPage" : "denoiserBasicPage");
  QVBoxLayout* left = TwoColumns(preview, true);

  denoiserSwitch_ = AddSwitch(QStringLiteral("Enable De-Noiser"),
                              advanced ? &s.Denoise.Enabled : &s.Denoise.SimEnabled);
  left->addWidget(denoiserSwitch_);
  auto* modes = new QHBoxLayout;
  noiseRemoval_ = new QRadioButton(QStringLiteral("Noise Removal"), this);
  portrait_ = new QRadioButton(QStringLiteral("Portrait De-Focus"), this);
  modes->addWidget(noiseRemoval_);
  modes->addWidget(portrait_);
  modes->addStretch(1);
  left->addLayout(modes);
  connect(portrait_, &QRadioButton::toggled, this, [this] { Edited(); });

  QGroupBox* noise = AddGroup(left, QStringLiteral("Noise Removal"));
  strengthCurve_ = AddCurve(advanced ? s.Denoise.Advanced : s.Denoise.Basic);
  noise->layout()->addWidget(strengthCurve_);
  repeatCurve_ = AddCurve(advanced ? s.Distance.Advanced : s.Distance.Basic);
  auto* repeatRow = new QHBoxLayout;
  repeatRow->addWidget(repeatCurve_, 1);
  auto* names = new QLabel(QStringLiteral("<b>Filter Repeat</b><br>1 - Landscape (Weak)<br>"
                                          "2 - Mid. Details (Medium)<br>3 - Close-up (Strongest)"),
                           this);
  names->setObjectName("filterRepeatNames");
  repeatNames_ = names;
  repeatRow->addWidget(names);
  static_cast<QVBoxLayout*>(noise->layout())->addLayout(repeatRow);

  QGroupBox* smooth = AddGroup(left, QStringLiteral("Portrait De-Focus"));
  smootherCurve_ = AddCurve(advanced ? s.CleanSkin.Advanced : s.CleanSkin.Basic);
  smooth->layout()->addWidget(smootherCurve_);
  pinkTones_ = AddSwitch(QStringLiteral("Enhance Pink Tones"),
                         advanced ? &s.CleanSkin.PinkTones : &s.CleanSkin.SimPinkTones);
  smooth->layout()->addWidget(pinkTones_);

  left->addStretch(1);
  LoadFromSettings();
}

int& CDenoiserPage::PortraitField() {
  return advanced_ ? settings_.CleanSkin.Enabled : settings_.CleanSkin.SimEnabled;
}

void CDenoiserPage::LoadControls() {
  (PortraitField() == 1 ? portrait_ : noiseRemoval_)->setChecked(true);
}

void CDenoiserPage::CommitControls() {
  PortraitField() = portrait_->isChecked() ? 1 : 0;
}

void CDenoiserPage::UpdateEnabling() {
  bool on = denoiserSwitch_->isChecked();
  bool portrait = portrait_->isChecked();
  noiseRemoval_->setEnabled(on);
  portrait_->setEnabled(on);
  strengthCurve_->curve().SetEnabled(on && !portrait);
  repeatCurve_->curve().SetEnabled(on && !portrait);
  repeatNames_->setEnabled(on && !portrait);
  smootherCurve_->curve().SetEnabled(on && portrait);
  pinkTones_->setEnabled(on && portrait);
}

}  // namespace orv::ui
