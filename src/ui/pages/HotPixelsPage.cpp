// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/HotPixelsPage.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "engine/BlackFrameLoad.h"
#include "platform/UserStore.h"
#include "ui/pages/CurveControl.h"

namespace orv::ui {
namespace {

// A camera with a red "NR" badge: the photograph comes from a camera of the model list.
QPixmap ListedCameraPicture(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.scale(size / 32.0, size / 32.0);
  p.setPen(QPen(QColor(40, 40, 40), 1.2));
  p.setBrush(QColor(90, 96, 110));
  p.drawRoundedRect(QRectF(2, 9, 24, 16), 3, 3);
  p.drawRect(QRectF(8, 6, 8, 4));
  p.setBrush(QColor(190, 210, 235));
  p.drawEllipse(QPointF(14, 17), 5.5, 5.5);
  p.setBrush(QColor(210, 40, 30));
  p.setPen(QPen(Qt::white, 1.2));
  p.drawEllipse(QPointF(24, 24), 7.5, 7.5);
  QFont f;
  f.setPixelSize(8);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRectF(16.5, 16.5, 15, 15), Qt::AlignCenter, QStringLiteral("NR"));
  return pm;
}

}  // namespace

QString CHotPixelsPage::ImageFileFilter() {
  return QStringLiteral(
      "Image Files (bmp,jpg,pcx,png,tga,tif,wmf,psd) (*.BMP *.JPG *.PCX *.PNG *.TGA *.TIF *.WMF "
      "*.PSD *.bmp *.jpg *.pcx *.png *.tga *.tif *.wmf *.psd);;"
      "Windows BMP Files (*.BMP *.bmp);;JPEG Files (*.JPG *.jpg);;ZSoft PCX Files (*.PCX *.pcx);;"
      "PNG Files (*.PNG *.png);;Targa TGA Files (*.TGA *.tga);;TIFF Files (*.TIF *.tif);;"
      "Placeable Metafiles (*.WMF *.wmf);;Adobe Photoshop (*.PSD *.psd);;All files (*)");
}

CHotPixelsPage::CHotPixelsPage(Settings& s, bool advanced, Image& blackFrame, PageDialogs dialogs,
                               CPreviewPanel* preview, QWidget* parent)
    : CTuningPage(s, parent),
      advanced_(advanced),
      blackFrame_(blackFrame),
      dialogs_(std::move(dialogs)) {
  setObjectName(advanced ? "hotPixelsAdvancedPage" : "hotPixelsBasicPage");
  QVBoxLayout* left = TwoColumns(preview, true);

  QGroupBox* hot = AddGroup(left, QStringLiteral("Hot Pixels"));
  auto* top = new QHBoxLayout;
  hotPixelSwitch_ = AddSwitch(QStringLiteral("Enable Hot Pixels Removal"),
                              advanced ? &s.HotPixels.Enabled : &s.HotPixels.SimEnabled);
  top->addWidget(hotPixelSwitch_, 1);
  if (advanced) {
    listedCamera_ = new QLabel(this);
    listedCamera_->setObjectName("listedCamera");
    listedCamera_->setPixmap(ListedCameraPicture(24));
    listedCamera_->setToolTip(
        QStringLiteral("This photo comes from a camera in the list of cameras with internal "
                       "noise reduction"));
    listedCamera_->hide();
    top->addWidget(listedCamera_);
  }
  static_cast<QVBoxLayout*>(hot->layout())->addLayout(top);
  thresholdCurve_ = AddCurve(advanced ? s.HotPixels.Advanced : s.HotPixels.Basic);
  hot->layout()->addWidget(thresholdCurve_);
  if (advanced) {
    windowCurve_ = AddCurve(s.Window.Advanced);
    hot->layout()->addWidget(windowCurve_);

    QGroupBox* models = AddGroup(left, QStringLiteral("Camera Models"));
    excludeSwitch_ =
        AddSwitch(QStringLiteral("Exclude Cameras with internal NR"), &s.HotPixels.Exclude);
    models->layout()->addWidget(excludeSwitch_);
    auto* row = new QHBoxLayout;
    modelList_ = new QPlainTextEdit(this);
    modelList_->setObjectName("modelList");
    modelList_->setTabChangesFocus(true);
    modelList_->setFixedHeight(64);
    row->addWidget(modelList_, 1);
    auto* choice = new QVBoxLayout;
    ignoreListed_ = new QRadioButton(QStringLiteral("Totally Ignore Hot Pixels Removal"), this);
    noExifForListed_ = new QRadioButton(QStringLiteral("Use it in No EXIF mode"), this);
    choice->addWidget(ignoreListed_);
    choice->addWidget(noExifForListed_);
    choice->addStretch(1);
    row->addLayout(choice);
    static_cast<QVBoxLayout*>(models->layout())->addLayout(row);
    connect(modelList_, &QPlainTextEdit::textChanged, this, [this] { Edited(); });
    connect(ignoreListed_, &QRadioButton::toggled, this, [this] { Edited(); });
  }

  QGroupBox* frame = AddGroup(left, QStringLiteral("Black Frame"));
  subtraction_ = AddSwitch(QStringLiteral("HotPixels Substraction"), &s.HotPixels.BF);
  frame->layout()->addWidget(subtraction_);
  auto* load = new QHBoxLayout;
  auto* loadButton = new QPushButton(QStringLiteral("Load Black Frame"), this);
  loadButton->setObjectName("loadBlackFrame");
  frameLabel_ = new QLabel(this);
  frameLabel_->setObjectName("frameLabel");
  load->addWidget(loadButton);
  load->addWidget(frameLabel_, 1);
  static_cast<QVBoxLayout*>(frame->layout())->addLayout(load);
  connect(loadButton, &QPushButton::clicked, this, [this] { LoadBlackFrame(); });

  left->addStretch(1);
  LoadFromSettings();
}

void CHotPixelsPage::ShowFrameSize() {
  frameLabel_->setText(blackFrame_.empty() ? QStringLiteral("No Black Frame Loaded")
                                           : QString::asprintf("%d x %d", blackFrame_.width(),
                                                               blackFrame_.height()));
}

bool CHotPixelsPage::LoadBlackFrame() {
  if (!dialogs_.openFile) return false;
  QString folder = QString::fromStdString(ReadUserValue("Load", "ImgPath"));
  QString path = dialogs_.openFile(QStringLiteral("Load image"), folder, ImageFileFilter());
  if (path.isEmpty()) return false;
  WriteUserValue("Load", "ImgPath", QFileInfo(path).absolutePath().toStdString());
  // A file that does not decode leaves the previous frame in place.
  if (orv::LoadBlackFrame(path.toStdString(), blackFrame_) != 0) return false;
  ShowFrameSize();
  emit blackFrameLoaded();
  return true;
}

void CHotPixelsPage::ShowListedCamera(bool listed) {
  if (listedCamera_) listedCamera_->setVisible(listed);
}

void CHotPixelsPage::LoadControls() {
  ShowFrameSize();
  if (!advanced_) return;
  // The model keeps the list's lines separated by CR LF; the edit field uses LF.
  QString list = QString::fromStdString(settings_.HotPixels.ExList);
  list.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (modelList_->toPlainText() != list) modelList_->setPlainText(list);
  (settings_.HotPixels.ExcludeType == 0 ? ignoreListed_ : noExifForListed_)->setChecked(true);
  // The picture is hidden while the exclusion is off.
  if (settings_.HotPixels.Exclude != 1) ShowListedCamera(false);
}

void CHotPixelsPage::CommitControls() {
  if (!advanced_) return;
  QString list = modelList_->toPlainText();
  list.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  settings_.HotPixels.ExList = list.toStdString();
  bool storedIgnore = settings_.HotPixels.ExcludeType == 0;
  if (ignoreListed_->isChecked() != storedIgnore)
    settings_.HotPixels.ExcludeType = ignoreListed_->isChecked() ? 0 : 1;
}

void CHotPixelsPage::UpdateEnabling() {
  bool on = hotPixelSwitch_->isChecked();
  thresholdCurve_->curve().SetEnabled(on);
  if (!advanced_) return;
  windowCurve_->curve().SetEnabled(on);
  excludeSwitch_->setEnabled(on);
  bool exclude = on && excludeSwitch_->isChecked();
  modelList_->setEnabled(exclude);
  ignoreListed_->setEnabled(exclude);
  noExifForListed_->setEnabled(exclude);
  if (!excludeSwitch_->isChecked()) ShowListedCamera(false);
}

}  // namespace orv::ui
