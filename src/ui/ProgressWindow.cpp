// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ProgressWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>

namespace orv::ui {

CProgressWindow::CProgressWindow(QWidget* parent, std::function<void(bool)> ownerEnabled)
    : QDialog(parent), ownerEnabled_(std::move(ownerEnabled)) {
  setObjectName(QStringLiteral("progressWindow"));
  setWindowTitle(QString());
  setModal(false);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  picture_ = new QLabel(this);
  picture_->setObjectName(QStringLiteral("progressPicture"));
  picture_->setFixedSize(160, 120);
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setFrameShape(QFrame::StyledPanel);

  itemBar_ = new QProgressBar(this);
  itemBar_->setTextVisible(false);
  itemBar_->setRange(0, 100);
  percent_ = new QLabel(QStringLiteral("0%"), this);
  percent_->setObjectName(QStringLiteral("percentText"));
  percent_->setMinimumWidth(percent_->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 8);
  percent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  stage_ = new QLabel(this);
  stage_->setObjectName(QStringLiteral("stageText"));
  queueBar_ = new QProgressBar(this);
  queueBar_->setTextVisible(false);
  queueBar_->setRange(0, 1);
  queueBar_->setValue(0);
  counter_ = new QLabel(QString::fromStdString(CounterText()), this);
  counter_->setMinimumWidth(counter_->fontMetrics().horizontalAdvance(QStringLiteral("9999/9999")) +
                            8);
  counter_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  time_ = new QLabel(this);
  time_->setObjectName(QStringLiteral("timeText"));
  cancel_ = new QPushButton(tr("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("cancelButton"));
  cancel_->setDefault(true);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(tr("Current Image"), this), 0, 0);
  grid->addWidget(itemBar_, 0, 1);
  grid->addWidget(percent_, 0, 2);
  grid->addWidget(stage_, 1, 0, 1, 3);
  grid->addWidget(new QLabel(tr("Cue List"), this), 2, 0);
  grid->addWidget(queueBar_, 2, 1);
  grid->addWidget(counter_, 2, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(3, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(time_);
  buttons->addStretch(1);
  buttons->addWidget(cancel_);
  grid->addLayout(buttons, 4, 0, 1, 3);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(picture_);
  layout->addLayout(grid, 1);
  setMinimumWidth(520);

  connect(cancel_, &QPushButton::clicked, this, [this] { PressCancel(); });
}

CProgressWindow::~CProgressWindow() {
  // A run that ends without Destroy (it never does today) must not leave the owner disabled.
  if (ownerDisabled_ && ownerEnabled_) ownerEnabled_(true);
}

void CProgressWindow::PumpMessages() {
  QCoreApplication::processEvents();
}

void CProgressWindow::OnCreate() {
  started_ = false;
  livePictures_ = false;
  ShowItemProgress();
  if (ownerEnabled_) ownerEnabled_(false);
  ownerDisabled_ = true;
  show();
  raise();
  cancel_->setFocus();
  QCoreApplication::processEvents();
}

void CProgressWindow::OnDestroy() {
  if (ownerDisabled_ && ownerEnabled_) ownerEnabled_(true);
  ownerDisabled_ = false;
  hide();
}

void CProgressWindow::OnItemChanged() {
  ShowItemProgress();
}

void CProgressWindow::ShowItemProgress() {
  // Until a photo is taken up, an idle pool reports its item bar as full; show it empty.
  if (!started_) {
    itemBar_->setValue(itemBar_->minimum());
    percent_->setText(QStringLiteral("0%"));
    return;
  }
  itemBar_->setValue(qBound(itemBar_->minimum(), ItemPos(), itemBar_->maximum()));
  percent_->setText(QString::fromStdString(PercentText()));
}

void CProgressWindow::OnQueueChanged() {
  queueBar_->setRange(0, qMax(1, QueueTotal()));
  queueBar_->setValue(qBound(0, QueuePos(), queueBar_->maximum()));
  counter_->setText(QString::fromStdString(CounterText()));
}

void CProgressWindow::OnStageChanged() {
  stage_->setText(QString::fromStdString(StageText()));
  // The stage line names the photos being worked on (or what the one photo goes through).
  if (!started_ && !StageText().empty()) {
    started_ = true;
    ShowItemProgress();
  }
}

void CProgressWindow::OnPicture(const uint8_t* pixels, int width, int height) {
  if (!pixels || width <= 0 || height <= 0) {
    picture_->clear();
    return;
  }
  livePictures_ = true;
  // The working picture is wrapped, not copied; only the small scaled copy is kept.
  ShowImage(QImage(pixels, width, height, qsizetype(width) * 3, QImage::Format_RGB888));
}

void CProgressWindow::ShowImage(const QImage& image) {
  qreal dpr = devicePixelRatioF();
  QSize box = (picture_->contentsRect().size() * dpr);
  QImage small = image.scaled(box, Qt::KeepAspectRatio, Qt::FastTransformation);
  small.setDevicePixelRatio(dpr);
  picture_->setPixmap(QPixmap::fromImage(small));
}

void CProgressWindow::ShowFinishedPhoto(const QString& output, const QString& source) {
  if (livePictures_) return;
  const QSize box = picture_->contentsRect().size() * devicePixelRatioF();
  for (const QString& path : {output, source}) {
    if (path.isEmpty()) continue;
    QImageReader reader(path);
    reader.setAutoTransform(true);  // shown upright, as a viewer shows it
    // Only files the reader can decode at a reduced size (JPEG): a full decode of a large PNG
    // would hold up the run, which settles its photos on this thread.
    if (!reader.canRead() || !reader.supportsOption(QImageIOHandler::ScaledSize)) continue;
    QSize size = reader.size();
    if (!size.isValid()) continue;
    if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
      size.transpose();
    size.scale(box, Qt::KeepAspectRatio);
    size = size.expandedTo(QSize(1, 1));
    if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
      size.transpose();  // the reader scales before it turns
    reader.setScaledSize(size);
    QImage image = reader.read();
    if (image.isNull()) continue;
    ShowImage(image);
    return;
  }
}

void CProgressWindow::OnBatchChanged() {
  time_->setText(QString::fromStdString(TimeText()));
}

void CProgressWindow::reject() {
  PressCancel();
}

void CProgressWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  PressCancel();
}

}  // namespace orv::ui
