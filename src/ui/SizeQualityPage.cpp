// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SizeQualityPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "settings/SettingRules.h"
#include "ui/PaintedIcons.h"
#include "settings/SettingValues.h"

namespace orv::ui {
namespace {

QSpinBox* SpinBox(int lo, int hi, const char* name, QWidget* parent) {
  auto* s = new QSpinBox(parent);
  s->setRange(lo, hi);
  s->setObjectName(QLatin1String(name));
  return s;
}

QRadioButton* Radio(const QString& text, const char* name, QButtonGroup* group, int id,
                    QWidget* parent) {
  auto* r = new QRadioButton(text, parent);
  r->setObjectName(QLatin1String(name));
  group->addButton(r, id);
  return r;
}

}  // namespace

CSizeQualityPage::CSizeQualityPage(PageContext& ctx, QWidget* parent) : CSettingsPage(ctx, parent) {
  // Size.
  auto* sizeBox = new QGroupBox(tr("Size"), this);
  sizeType_ = new QButtonGroup(this);
  auto* keep = Radio(tr("Don't change size"), "sizeKeep", sizeType_, 0, sizeBox);
  auto* resize = Radio(tr("Resize"), "sizeResize", sizeType_, 1, sizeBox);
  auto* fit = Radio(tr("Fit inside"), "sizeFit", sizeType_, 2, sizeBox);
  percent_ = SpinBox(1, 1000, "percentField", sizeBox);
  percent_->setSuffix(QStringLiteral(" %"));
  width_ = SpinBox(1, 65535, "widthField", sizeBox);
  height_ = SpinBox(1, 65535, "heightField", sizeBox);
  filter_ = new QComboBox(sizeBox);
  filter_->setObjectName(QStringLiteral("interpolationList"));
  filter_->addItems({tr("High Quality 2-Pass Bi-Linear Scaling"), tr("Lanczos 3")});
  filterLabel_ = new QLabel(tr("Interpolation:"), sizeBox);
  filterLabel_->setBuddy(filter_);
  saveOriginal_ = new QCheckBox(tr("Save original size as well"), sizeBox);
  saveOriginal_->setObjectName(QStringLiteral("saveOriginalBox"));
  keepExif_ = new QCheckBox(tr("Keep EXIF in output files"), sizeBox);
  keepExif_->setObjectName(QStringLiteral("keepExifBox"));

  auto row = [](std::initializer_list<QWidget*> widgets) {
    auto* h = new QHBoxLayout;
    for (QWidget* w : widgets) h->addWidget(w);
    h->addStretch(1);
    return h;
  };
  auto* sizeGrid = new QGridLayout(sizeBox);
  sizeGrid->addWidget(keep, 0, 0, 1, 2);
  sizeGrid->addWidget(resize, 1, 0);
  sizeGrid->addLayout(row({percent_, new QLabel(tr("% of original"), sizeBox)}), 1, 1);
  sizeGrid->addWidget(fit, 2, 0);
  sizeGrid->addLayout(row({width_, new QLabel(QStringLiteral("x"), sizeBox), height_}), 2, 1);
  sizeGrid->addWidget(filterLabel_, 3, 0);
  sizeGrid->addLayout(row({filter_}), 3, 1);
  sizeGrid->addWidget(saveOriginal_, 4, 0, 1, 2);
  sizeGrid->addWidget(keepExif_, 5, 0, 1, 2);
  sizeGrid->setColumnStretch(1, 1);

  // Quality.
  auto* qualityBox = new QGroupBox(tr("JPEG Quality"), this);
  qualityType_ = new QButtonGroup(this);
  auto* fixed = Radio(tr("Use the Maximum quality settings for all images"), "qualityFixed",
                      qualityType_, 0, qualityBox);
  auto* limit = Radio(tr("Find Quality for which the final file size doesn't exceed"),
                      "qualityLimit", qualityType_, 1, qualityBox);
  qualityMatch_ =
      Radio(tr("Find Quality for which the final file size is very close to the source file size"),
            "qualityMatch", qualityType_, 2, qualityBox);
  maxKB_ = new QDoubleSpinBox(qualityBox);
  maxKB_->setObjectName(QStringLiteral("maxKbField"));
  maxKB_->setRange(1.0, 1000000.0);
  maxKB_->setDecimals(1);
  maxKB_->setSuffix(QStringLiteral(" kB"));
  cq_ = SpinBox(1, 100, "maxQField", qualityBox);
  minQ_ = SpinBox(1, 100, "minQField", qualityBox);
  minQLabel_ = new QLabel(tr("Minimum Q:"), qualityBox);
  minQLabel_->setBuddy(minQ_);
  auto* cqLabel = new QLabel(tr("Maximum Q:"), qualityBox);
  cqLabel->setBuddy(cq_);
  subsampling_ = new QCheckBox(tr("Enable Enhanced subsampling"), qualityBox);
  subsampling_->setObjectName(QStringLiteral("subsamplingBox"));
  qualityMarker_ = new QLabel(qualityBox);
  qualityMarker_->setObjectName(QStringLiteral("qualityMarker"));
  qualityMarker_->setFixedSize(40, 40);

  auto* qualityGrid = new QGridLayout(qualityBox);
  qualityGrid->addWidget(fixed, 0, 0, 1, 3);
  qualityGrid->addWidget(limit, 1, 0);
  qualityGrid->addWidget(maxKB_, 1, 1);
  qualityGrid->addWidget(qualityMatch_, 2, 0, 1, 3);
  qualityGrid->addWidget(qualityMarker_, 0, 3, 3, 1, Qt::AlignTop | Qt::AlignRight);
  auto* qRow = new QHBoxLayout;
  qRow->addWidget(cqLabel);
  qRow->addWidget(cq_);
  qRow->addSpacing(24);
  qRow->addWidget(minQLabel_);
  qRow->addWidget(minQ_);
  qRow->addStretch(1);
  qualityGrid->addLayout(qRow, 3, 0, 1, 4);
  qualityGrid->addWidget(subsampling_, 4, 0, 1, 4);
  qualityGrid->setColumnStretch(2, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(sizeBox);
  layout->addWidget(qualityBox);
  layout->addStretch(1);

  Connect();
}

void CSizeQualityPage::Connect() {
  auto changed = [this] {
    UpdateEnabling();
    SettingChanged();
  };
  connect(sizeType_, &QButtonGroup::idClicked, this, [this, changed](int id) {
    settings().Size.Type = id;
    changed();
  });
  connect(percent_, &QSpinBox::valueChanged, this, [this, changed](int v) {
    settings().Size.Percent = v;
    changed();
  });
  connect(width_, &QSpinBox::valueChanged, this, [this, changed](int v) {
    settings().Size.Width = v;
    changed();
  });
  connect(height_, &QSpinBox::valueChanged, this, [this, changed](int v) {
    settings().Size.Height = v;
    changed();
  });
  connect(filter_, &QComboBox::currentIndexChanged, this, [this, changed](int v) {
    settings().Size.Filter = v;
    changed();
  });
  connect(saveOriginal_, &QCheckBox::toggled, this, [this, changed](bool on) {
    settings().Size.SaveOriginal = on ? 1 : 0;
    changed();
  });
  connect(keepExif_, &QCheckBox::toggled, this, [this, changed](bool on) {
    settings().Size.KeepEXIF = on ? 1 : 0;
    changed();
  });
  connect(qualityType_, &QButtonGroup::idClicked, this, [this, changed](int id) {
    settings().Quality.Type = id;
    changed();
  });
  connect(maxKB_, &QDoubleSpinBox::valueChanged, this, [this, changed](double v) {
    settings().Quality.MaxKB = v;
    changed();
  });
  connect(cq_, &QSpinBox::valueChanged, this, [this, changed](int v) {
    settings().Quality.CQ = v;
    changed();
  });
  connect(minQ_, &QSpinBox::valueChanged, this, [this, changed](int v) {
    settings().Quality.MinQ = v;
    changed();
  });
  connect(subsampling_, &QCheckBox::toggled, this, [this, changed](bool on) {
    settings().Quality.Subsampling = on ? 1 : 0;
    changed();
  });
}

void CSizeQualityPage::LoadFromModel() {
  const Settings& s = settings();
  const QSignalBlocker blockers[] = {
      QSignalBlocker(sizeType_), QSignalBlocker(percent_),     QSignalBlocker(width_),
      QSignalBlocker(height_),   QSignalBlocker(filter_),      QSignalBlocker(saveOriginal_),
      QSignalBlocker(keepExif_), QSignalBlocker(qualityType_), QSignalBlocker(maxKB_),
      QSignalBlocker(cq_),       QSignalBlocker(minQ_),        QSignalBlocker(subsampling_)};
  // A type outside the choices (possible through a hand-edited profile) shows no choice.
  auto check = [](QButtonGroup* group, int id) {
    if (QAbstractButton* b = group->button(id)) {
      b->setChecked(true);
    } else if (QAbstractButton* current = group->checkedButton()) {
      group->setExclusive(false);
      current->setChecked(false);
      group->setExclusive(true);
    }
  };
  check(sizeType_, s.Size.Type);
  percent_->setValue(s.Size.Percent);
  width_->setValue(s.Size.Width);
  height_->setValue(s.Size.Height);
  filter_->setCurrentIndex(s.Size.Filter == resize_filter::kTwoPassBilinear ? 0 : 1);
  saveOriginal_->setChecked(s.Size.SaveOriginal == 1);
  keepExif_->setChecked(s.Size.KeepEXIF == 1);
  check(qualityType_, s.Quality.Type);
  maxKB_->setValue(s.Quality.MaxKB);
  cq_->setValue(s.Quality.CQ);
  minQ_->setValue(s.Quality.MinQ);
  subsampling_->setChecked(s.Quality.Subsampling == 1);
  UpdateEnabling();
}

void CSizeQualityPage::UpdateEnabling() {
  Settings& s = settings();
  // A quality type the size rules out falls back; the page then shows the new choice.
  if (ApplyQualityFallback(s)) {
    LoadFromModel();
    return;
  }
  const bool searched =
      s.Quality.Type == quality_type::kMaxSize || s.Quality.Type == quality_type::kSourceSize;
  percent_->setEnabled(s.Size.Type == size_type::kPercent);
  width_->setEnabled(s.Size.Type == size_type::kBox);
  height_->setEnabled(s.Size.Type == size_type::kBox);
  filter_->setEnabled(s.Size.Type != size_type::kOriginal);
  filterLabel_->setEnabled(s.Size.Type != size_type::kOriginal);
  qualityMatch_->setEnabled(s.Size.Type == size_type::kOriginal);
  maxKB_->setEnabled(s.Quality.Type == quality_type::kMaxSize);
  minQ_->setEnabled(searched);
  minQLabel_->setEnabled(searched);
  if (searched) {
    QIcon icon = PaintedIcon(s.Quality.Type == quality_type::kMaxSize ? IconKind::SizeLimit
                                                                      : IconKind::SizeMatch);
    qualityMarker_->setPixmap(icon.pixmap(qualityMarker_->size(), devicePixelRatioF()));
    qualityMarker_->setToolTip(s.Quality.Type == quality_type::kMaxSize ? tr("Size limit search")
                                                   : tr("Source size search"));
  } else {
    qualityMarker_->clear();
    qualityMarker_->setToolTip(QString());
  }
}

}  // namespace orv::ui
