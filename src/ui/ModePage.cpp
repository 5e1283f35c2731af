// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ModePage.h"

#include <QCommandLinkButton>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orv::ui {
namespace {

const char* const kBasicText =
    "Basic Mode\n\nORV will perform basic color correcting operations with quick and easy control";
const char* const kAdvancedText =
    "Advanced Mode\n\nORV will give you more detailed settings for all operations.";

// A command link shows the first line as its title and the rest as its description.
QCommandLinkButton* ModeButton(const QString& text, QWidget* parent) {
  int split = text.indexOf(QLatin1String("\n\n"));
  auto* b = new QCommandLinkButton(text.left(split), text.mid(split + 2), parent);
  b->setAccessibleDescription(text);
  b->setCheckable(true);
  b->setAutoExclusive(true);
  return b;
}

}  // namespace

CModePage::CModePage(PageContext& ctx, CHelpView::Actions helpActions, QWidget* parent)
    : CSettingsPage(ctx, parent) {
  auto* group = new QGroupBox(tr("ORV Mode Setting"), this);
  basicButton_ = ModeButton(QString::fromUtf8(kBasicText), group);
  basicButton_->setObjectName(QStringLiteral("basicModeButton"));
  advancedButton_ = ModeButton(QString::fromUtf8(kAdvancedText), group);
  advancedButton_->setObjectName(QStringLiteral("advancedModeButton"));
  basicLabel_ = new QLabel(tr("Currently in Basic Mode"), group);
  basicLabel_->setObjectName(QStringLiteral("basicModeLabel"));
  advancedLabel_ = new QLabel(tr("Currently in Advanced Mode"), group);
  advancedLabel_->setObjectName(QStringLiteral("advancedModeLabel"));
  for (QLabel* l : {basicLabel_, advancedLabel_}) {
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
  }

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(basicButton_, 1);
  buttons->addWidget(advancedButton_, 1);
  auto* state = new QHBoxLayout;
  state->addWidget(basicLabel_);
  state->addWidget(advancedLabel_);
  state->addStretch(1);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addLayout(buttons);
  groupLayout->addLayout(state);

  helpView_ =
      new CHelpView(QString::fromStdString(ctx.engine.helpFolder()), std::move(helpActions), this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(helpView_, 1);

  connect(basicButton_, &QAbstractButton::clicked, this, [this] { ChooseMode(false); });
  connect(advancedButton_, &QAbstractButton::clicked, this, [this] { ChooseMode(true); });
}

void CModePage::LoadFromModel() {
  bool advanced = settings().IsAdvanced();
  basicButton_->setChecked(!advanced);
  advancedButton_->setChecked(advanced);
  basicLabel_->setVisible(!advanced);
  advancedLabel_->setVisible(advanced);
}

void CModePage::ChooseMode(bool advanced) {
  settings().Mode.Advanced = advanced ? 1 : 0;
  LoadFromModel();
  ctx_.notice(kNoticeModeChanged);
}

}  // namespace orv::ui
