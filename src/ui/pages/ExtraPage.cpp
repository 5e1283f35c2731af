// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/ExtraPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "settings/SettingRules.h"
#include "stages/StampStage.h"
#include "ui/pages/PreviewPanel.h"

namespace orv::ui {
namespace {

constexpr int kSampleWidth = 360;
constexpr int kSampleHeight = 240;

// A quiet landscape to stamp on: sky, sun, hills and a meadow.
Image SamplePicture() {
  Image img;
  if (!img.Allocate(kSampleWidth, kSampleHeight)) return img;
  const double sunX = 0.72 * kSampleWidth, sunY = 0.30 * kSampleHeight;
  for (int y = 0; y < kSampleHeight; ++y) {
    double v = double(y) / kSampleHeight;
    for (int x = 0; x < kSampleWidth; ++x) {
      double u = double(x) / kSampleWidth;
      double hill = 0.58 + 0.07 * std::sin(u * 5.0 + 0.6) + 0.03 * std::sin(u * 13.0);
      double meadow = 0.74 + 0.02 * std::sin(u * 3.0 + 2.0);
      double r, g, b;
      if (v < hill) {
        r = 96 + 110 * v, g = 150 + 80 * v, b = 228 - 20 * v;
        double d = std::hypot(x - sunX, y - sunY);
        double glow = std::max(0.0, 1.0 - d / 70.0);
        double disc = d < 17 ? 1.0 : 0.0;
        r += (255 - r) * std::max(disc, glow * glow * 0.8);
        g += (246 - g) * std::max(disc, glow * glow * 0.7);
        b += (200 - b) * std::max(disc, glow * glow * 0.4);
      } else if (v < meadow) {
        r = 70 + 30 * u, g = 104 + 20 * v, b = 92;
      } else {
        double t = (v - meadow) / (1 - meadow);
        r = 96 + 40 * t + 10 * std::sin(x * 0.9 + y * 0.4);
        g = 150 - 30 * t + 10 * std::sin(x * 0.7 - y * 0.5);
        b = 62 - 20 * t;
      }
      uint8_t* p = img.row(y) + 3 * x;
      p[0] = uint8_t(std::clamp(r, 0.0, 255.0));
      p[1] = uint8_t(std::clamp(g, 0.0, 255.0));
      p[2] = uint8_t(std::clamp(b, 0.0, 255.0));
    }
  }
  return img;
}

// 0x00BBGGRR, red in the low byte.
QColor ColourOf(int value) {
  return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
}
int ValueOf(const QColor& c) {
  return c.red() | (c.green() << 8) | (c.blue() << 16);
}

QIcon Swatch(int value) {
  QPixmap pm(16, 12);
  pm.fill(ColourOf(value));
  QPainter p(&pm);
  p.setPen(QColor(80, 80, 80));
  p.drawRect(0, 0, 15, 11);
  return QIcon(pm);
}

void SetComboIndex(QComboBox* combo, int value) {
  combo->setCurrentIndex(value >= 0 && value < combo->count() ? value : -1);
}

// A list that does not show the stored value keeps it until the user picks an item.
void CommitCombo(const QComboBox* combo, int& field) {
  if (combo->currentIndex() >= 0) field = combo->currentIndex();
}

}  // namespace

CStampPreview::CStampPreview(QWidget* parent) : QWidget(parent), sample_(SamplePicture()) {
  setObjectName("stampPreview");
  setMinimumSize(kSampleWidth / 2, kSampleHeight / 2);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize CStampPreview::sizeHint() const {
  return {kSampleWidth, kSampleHeight};
}

void CStampPreview::Render(const TextGroup& text, const StampValues& values) {
  Image copy;
  if (!copy.CopyFrom(sample_)) return;
  // The same derive step and drawing as the pipeline's stamp stage, on the sample picture.
  StampStagePlan plan = DeriveStampStage(text, values, false);
  if (plan.run) RenderStamp(copy.pixels(), copy.width(), copy.height(), plan.text, plan.style);
  shown_ = ToDisplayImage(copy);
  update();
}

void CStampPreview::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  if (shown_.isNull()) return;
  QSize size = shown_.size();
  if (size.width() > width() || size.height() > height())
    size.scale(this->size(), Qt::KeepAspectRatio);
  QRect target(QPoint(0, 0), size);
  target.moveCenter(rect().center());
  p.setRenderHint(QPainter::SmoothPixmapTransform, size != shown_.size());
  p.drawImage(target, shown_);
  p.setPen(QColor(120, 120, 120));
  p.drawRect(target.adjusted(0, 0, -1, -1));
}

QString CExtraPage::ApplyToAllQuestion() {
  return QStringLiteral(
      "Color Matching images already in sRGB may result in serious color/balance "
      "distortions.\nIt is meant to be only for Minolta images that uses custom color space.\nIt "
      "shouldn't be used on images from other makers or images already in sRGB.\n\nAre you sure "
      "that you want to apply this to all images without checking? ");
}

StampValues CExtraPage::DemoValues() {
  StampValues v;
  v.DateTime = "2024:06:01 10:30:00";
  v.ShutterText = "1/125";
  v.FNumberText = "5.6";
  v.IsoText = "100 ";
  v.DisplayModel = "Sample Camera";
  v.ExposureProgramText = "Normal program";
  v.MeteringModeText = "Pattern";
  v.Flash = 0;
  return v;
}

CExtraPage::CExtraPage(Settings& s, PageDialogs dialogs, QWidget* parent)
    : CTuningPage(s, parent), dialogs_(std::move(dialogs)), sample_(DemoValues()) {
  setObjectName("extraPage");
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(10, 10, 10, 10);
  outer->setSpacing(8);

  // "Add Text to Image".
  auto* stamp = new QGroupBox(QStringLiteral("Text Stamp"), this);
  auto* stampLayout = new QHBoxLayout(stamp);
  auto* form = new QVBoxLayout;
  form->setSpacing(6);
  stampLayout->addLayout(form, 3);
  textSwitch_ = AddSwitch(QStringLiteral("Add Text to Image"), &s.Text.Enabled);
  form->addWidget(textSwitch_);

  auto* textRow = new QHBoxLayout;
  textField_ = new QLineEdit(this);
  textField_->setObjectName("stampText");
  tokenButton_ = new QToolButton(this);
  tokenButton_->setObjectName("tokenButton");
  tokenButton_->setText(QStringLiteral("EXIF"));
  tokenButton_->setToolTip(QStringLiteral("Insert a camera value"));
  tokenButton_->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(tokenButton_);
  menu->setObjectName("tokenMenu");
  QAction* heading = menu->addAction(QStringLiteral("-EXIF DATA-"));
  heading->setEnabled(false);
  menu->addSeparator();
  const std::pair<const char*, const char*> tokens[] = {
      {"Date && Time", "%DATE%"},   {"F-Number", "%FNUM%"},      {"ISO", "%ISO%"},
      {"Shutter Speed", "%SPEED%"}, {"Camera Model", "%MODEL%"}, {"Flash Used", "%FLASH%"}};
  for (const auto& [label, token] : tokens) {
    QString t = QString::fromLatin1(token);
    QAction* a = menu->addAction(QString::fromLatin1(label));
    a->setData(t);
    connect(a, &QAction::triggered, this, [this, t] { InsertToken(t); });
  }
  tokenButton_->setMenu(menu);
  textRow->addWidget(textField_, 1);
  textRow->addWidget(tokenButton_);
  form->addLayout(textRow);
  connect(textField_, &QLineEdit::textEdited, this, [this] { Edited(); });

  auto* colourRow = new QHBoxLayout;
  textColour_ = new QPushButton(QStringLiteral("Text Color"), this);
  textColour_->setObjectName("textColour");
  backColour_ = new QPushButton(QStringLiteral("BK Color"), this);
  backColour_->setObjectName("backColour");
  connect(textColour_, &QPushButton::clicked, this, [this] { PickColour(true); });
  connect(backColour_, &QPushButton::clicked, this, [this] { PickColour(false); });
  colourRow->addWidget(textColour_);
  colourRow->addWidget(backColour_);
  colourRow->addStretch(1);
  form->addLayout(colourRow);

  auto* listRow = new QHBoxLayout;
  background_ = new QComboBox(this);
  background_->setObjectName("backgroundList");
  background_->addItems({QStringLiteral("Transparent"), QStringLiteral("Transparent 25%"),
                         QStringLiteral("Transparent 50%"), QStringLiteral("Opaque")});
  placement_ = new QComboBox(this);
  placement_->setObjectName("placementList");
  placement_->addItems({QStringLiteral("Top Center"), QStringLiteral("Bottom Center"),
                        QStringLiteral("Top-Left"), QStringLiteral("Top-Right"),
                        QStringLiteral("Bottom-Left"), QStringLiteral("Bottom-Right")});
  auto* backLabel = new QLabel(QStringLiteral("Backg:"), this);
  auto* placeLabel = new QLabel(QStringLiteral("Place:"), this);
  listRow->addWidget(backLabel);
  listRow->addWidget(background_, 1);
  listRow->addSpacing(8);
  listRow->addWidget(placeLabel);
  listRow->addWidget(placement_, 1);
  form->addLayout(listRow);
  connect(background_, &QComboBox::currentIndexChanged, this, [this] { Edited(); });
  connect(placement_, &QComboBox::currentIndexChanged, this, [this] { Edited(); });

  auto* fontRow = new QHBoxLayout;
  auto* fontLabel = new QLabel(QStringLiteral("Font:"), this);
  fontName_ = new QLineEdit(this);
  fontName_->setObjectName("fontName");
  fontName_->setReadOnly(true);
  fontButton_ = new QPushButton(QStringLiteral("..."), this);
  fontButton_->setObjectName("fontButton");
  fontButton_->setFixedWidth(32);
  connect(fontButton_, &QPushButton::clicked, this, [this] { PickFont(); });
  sizeField_ = new QLineEdit(this);
  sizeField_->setObjectName("sizeField");
  sizeField_->setMaxLength(4);
  sizeField_->setFixedWidth(44);
  sizeField_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,3}")), this));
  auto* pxLabel = new QLabel(QStringLiteral("px"), this);
  fontRow->addWidget(fontLabel);
  fontRow->addWidget(fontName_, 1);
  fontRow->addWidget(fontButton_);
  fontRow->addSpacing(8);
  fontRow->addWidget(sizeField_);
  fontRow->addWidget(pxLabel);
  form->addLayout(fontRow);
  // A typed size obeys the entry rule at once (too large or negative becomes the largest).
  connect(sizeField_, &QLineEdit::textEdited, this, [this](const QString& text) {
    bool ok = false;
    int v = text.toInt(&ok);
    if (ok && EnteredFontSize(v) != v) sizeField_->setText(QString::number(EnteredFontSize(v)));
    Edited();
  });

  auto* offsetRow = new QHBoxLayout;
  auto* offsetLabel = new QLabel(QStringLiteral("Offset from Edge:"), this);
  offsetX_ = new QSpinBox(this);
  offsetX_->setObjectName("offsetX");
  offsetY_ = new QSpinBox(this);
  offsetY_->setObjectName("offsetY");
  for (QSpinBox* box : {offsetX_, offsetY_}) {
    box->setRange(-9999, 9999);
    connect(box, &QSpinBox::valueChanged, this, [this] { Edited(); });
  }
  dateFormat_ = new QComboBox(this);
  dateFormat_->setObjectName("dateFormat");
  dateFormat_->addItems({QStringLiteral("Date Format"), QStringLiteral("DD/MM/YYYY"),
                         QStringLiteral("MM/DD/YYYY"), QStringLiteral("(D)Date+Time"),
                         QStringLiteral("(M)Date+Time")});
  connect(dateFormat_, &QComboBox::currentIndexChanged, this, [this] { Edited(); });
  offsetRow->addWidget(offsetLabel);
  offsetRow->addWidget(offsetX_);
  offsetRow->addWidget(offsetY_);
  offsetRow->addStretch(1);
  offsetRow->addWidget(dateFormat_);
  form->addLayout(offsetRow);
  form->addStretch(1);

  preview_ = new CStampPreview(this);
  stampLayout->addWidget(preview_, 2);
  outer->addWidget(stamp);
  textControls_ = {textField_, tokenButton_, textColour_, backColour_, background_, placement_,
                   fontName_,  fontButton_,  sizeField_,  offsetX_,    offsetY_,    dateFormat_,
                   backLabel,  placeLabel,   fontLabel,   pxLabel,     offsetLabel};

  // Minolta colour matching.
  auto* minolta = new QGroupBox(QStringLiteral("Color Matching"), this);
  auto* minoltaLayout = new QVBoxLayout(minolta);
  matchSwitch_ = AddSwitch(QStringLiteral("Minolta DiMAGE Color Matching"), &s.sRGB.Enabled);
  onlyMinolta_ = new QRadioButton(QStringLiteral("Apply only on Images from Minolta"), this);
  allImages_ = new QRadioButton(QStringLiteral("Apply to all images (Not recommended)"), this);
  minoltaLayout->addWidget(matchSwitch_);
  minoltaLayout->addWidget(onlyMinolta_);
  minoltaLayout->addWidget(allImages_);
  connect(onlyMinolta_, &QRadioButton::clicked, this, [this] { Edited(); });
  connect(allImages_, &QRadioButton::clicked, this, [this] {
    // Anything but Yes goes back to Minolta pictures only.
    if (!dialogs_.askYesNo || !dialogs_.askYesNo(ApplyToAllQuestion()))
      onlyMinolta_->setChecked(true);
    Edited();
  });
  outer->addWidget(minolta);
  outer->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(MakeResetButton());
  outer->addLayout(buttons);
  // Every edit redraws the stamp preview.
  connect(this, &CTuningPage::changed, this, &CExtraPage::RenderPreview);
  LoadFromSettings();
}

void CExtraPage::SetSampleValues(const StampValues& values) {
  sample_ = values;
  RenderPreview();
}

void CExtraPage::InsertToken(const QString& token) {
  // At the caret, replacing any selection.
  textField_->insert(token);
  Edited();
}

void CExtraPage::ShowColours() {
  textColour_->setIcon(Swatch(textColourValue_));
  backColour_->setIcon(Swatch(backColourValue_));
}

void CExtraPage::PickColour(bool text) {
  if (!dialogs_.pickColour) return;
  int& value = text ? textColourValue_ : backColourValue_;
  std::optional<QColor> c = dialogs_.pickColour(
      ColourOf(value), text ? QStringLiteral("Text Color") : QStringLiteral("BK Color"));
  if (!c || ValueOf(*c) == value) return;
  value = ValueOf(*c);
  ShowColours();
  Edited();
}

void CExtraPage::PickFont() {
  if (!dialogs_.pickFont) return;
  const TextGroup& t = settings_.Text;
  QFont initial(QString::fromStdString(t.FontName));
  initial.setPixelSize(std::max(1, std::abs(t.FontSize)));
  initial.setWeight(QFont::Weight(std::clamp(t.Weight, 1, 1000)));
  initial.setItalic(t.Italic == 1);
  initial.setUnderline(t.Underline == 1);
  std::optional<QFont> chosen = dialogs_.pickFont(initial);
  if (!chosen) return;
  settings_.Text.FontName = chosen->family().toStdString();
  settings_.Text.Underline = chosen->underline() ? 1 : 0;
  settings_.Text.Weight = int(chosen->weight());
  settings_.Text.Italic = chosen->italic() ? 1 : 0;
  int pixels = chosen->pixelSize() > 0 ? chosen->pixelSize() : QFontInfo(*chosen).pixelSize();
  settings_.Text.FontSize = std::abs(pixels);
  LoadFromSettings();
  emit changed();
}

void CExtraPage::LoadControls() {
  const TextGroup& t = settings_.Text;
  textField_->setText(QString::fromStdString(t.String));
  textColourValue_ = t.TextColor;
  backColourValue_ = t.BKColor;
  ShowColours();
  SetComboIndex(background_, t.BackType);
  SetComboIndex(placement_, t.Placement);
  fontName_->setText(QString::fromStdString(t.FontName));
  sizeField_->setText(QString::number(t.FontSize));
  offsetX_->setValue(t.OffsetX);
  offsetY_->setValue(t.OffsetY);
  SetComboIndex(dateFormat_, t.DateType);
  (settings_.sRGB.Test == 0 ? onlyMinolta_ : allImages_)->setChecked(true);
  RenderPreview();
}

void CExtraPage::CommitControls() {
  TextGroup& t = settings_.Text;
  t.String = textField_->text().toStdString();
  t.TextColor = textColourValue_;
  t.BKColor = backColourValue_;
  CommitCombo(background_, t.BackType);
  CommitCombo(placement_, t.Placement);
  t.FontSize = sizeField_->text().toInt();  // an empty field or a lone sign reads as 0
  t.OffsetX = offsetX_->value();
  t.OffsetY = offsetY_->value();
  CommitCombo(dateFormat_, t.DateType);
  bool storedAll = settings_.sRGB.Test != 0;
  if (allImages_->isChecked() != storedAll) settings_.sRGB.Test = allImages_->isChecked() ? 1 : 0;
}

void CExtraPage::UpdateEnabling() {
  bool on = textSwitch_->isChecked();
  for (QWidget* w : textControls_) w->setEnabled(on);
  backColour_->setEnabled(on && background_->currentIndex() != 0);
  // The centred placements ignore the x offset.
  int place = placement_->currentIndex();
  offsetX_->setEnabled(on && place != 0 && place != 1);
  bool matching = matchSwitch_->isChecked();
  onlyMinolta_->setEnabled(matching);
  allImages_->setEnabled(matching);
}

void CExtraPage::RenderPreview() {
  preview_->Render(settings_.Text, sample_);
}

}  // namespace orv::ui
