// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/TuningPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/pages/CurveControl.h"
#include "ui/pages/ImageAfterView.h"

namespace orv::ui {

CTuningPage::CTuningPage(Settings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {}

void CTuningPage::LoadFromSettings() {
  loading_ = true;
  for (const BoundSwitch& s : switches_) SetSwitch(s.box, *s.field);
  LoadControls();
  UpdateEnabling();
  loading_ = false;
  SyncCurves();
}

void CTuningPage::CommitToSettings() {
  for (const BoundSwitch& s : switches_) *s.field = SwitchValue(s.box);
  CommitControls();
}

void CTuningPage::Edited() {
  if (loading_) return;
  CommitToSettings();
  UpdateEnabling();
  SyncCurves();
  emit changed();
}

void CTuningPage::SyncCurves() {
  for (CCurveControl* c : curves_) c->SyncEnabled();
}

QCheckBox* CTuningPage::AddSwitch(const QString& text, int* field) {
  auto* box = new QCheckBox(text, this);
  switches_.push_back({box, field});
  connect(box, &QCheckBox::toggled, this, [this] { Edited(); });
  return box;
}

CCurveControl* CTuningPage::AddCurve(Curve& curve) {
  auto* control = new CCurveControl(curve, this);
  curves_.push_back(control);
  // The curve itself holds the values: a finished drag or edit only needs the notice.
  connect(control, &CCurveControl::valueChanged, this, [this] {
    if (!loading_) emit changed();
  });
  connect(control, &CCurveControl::valueChanging, this, &CTuningPage::changing);
  return control;
}

QPushButton* CTuningPage::MakeResetButton() {
  auto* button = new QPushButton(QStringLiteral("Reset to Default"), this);
  button->setObjectName("resetButton");
  connect(button, &QPushButton::clicked, this, &CTuningPage::resetRequested);
  return button;
}

QGroupBox* CTuningPage::AddGroup(QVBoxLayout* column, const QString& title) {
  auto* group = new QGroupBox(title, this);
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(8, 6, 8, 8);
  layout->setSpacing(4);
  column->addWidget(group);
  return group;
}

std::pair<QCheckBox*, CCurveControl*> CTuningPage::AddSwitchedCurve(QVBoxLayout* column,
                                                                    const QString& title,
                                                                    const QString& switchText,
                                                                    int* field, Curve& curve) {
  QGroupBox* group = AddGroup(column, title);
  QCheckBox* toggle = AddSwitch(switchText, field);
  CCurveControl* control = AddCurve(curve);
  group->layout()->addWidget(toggle);
  group->layout()->addWidget(control);
  return {toggle, control};
}

QVBoxLayout* CTuningPage::PreviewColumn(CPreviewPanel* panel, bool detail) {
  auto* column = new QVBoxLayout;
  column->setSpacing(4);
  auto* caption = new QLabel(
      detail ? QStringLiteral("Image After (Detail 1:1)") : QStringLiteral("Image After"), this);
  caption->setObjectName("imageAfterCaption");
  QFont bold = caption->font();
  bold.setBold(true);
  caption->setFont(bold);
  column->addWidget(caption);
  auto* view = new CImageAfterView(
      panel, detail ? CImageAfterView::Kind::Detail : CImageAfterView::Kind::Reduced, this);
  // As large as the pane the previews are made for (the detail view shows its crop 1:1).
  view->setFixedSize(view->sizeHint());
  column->addWidget(view);
  if (detail) {
    auto* hint = new QLabel(QStringLiteral("Click and Drag image with mouse."), this);
    hint->setObjectName("detailHint");
    column->addWidget(hint);
  }
  column->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(MakeResetButton());
  column->addLayout(buttons);
  return column;
}

QVBoxLayout* CTuningPage::TwoColumns(CPreviewPanel* panel, bool detail) {
  auto* outer = new QHBoxLayout(this);
  outer->setContentsMargins(10, 10, 10, 10);
  outer->setSpacing(12);
  auto* left = new QVBoxLayout;
  left->setSpacing(8);
  outer->addLayout(left, 1);
  outer->addLayout(PreviewColumn(panel, detail));
  return left;
}

int SwitchValue(const QCheckBox* box) {
  return box->isChecked() ? 1 : 0;
}

void SetSwitch(QCheckBox* box, int value) {
  box->setChecked(value == 1);
}

}  // namespace orv::ui
