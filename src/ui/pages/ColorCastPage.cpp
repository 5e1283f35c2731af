// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/ColorCastPage.h"

#include <tuple>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include "filters/FilterTable.h"
#include "ui/pages/CurveControl.h"

namespace orv::ui {
namespace {

// A swatch of the filter's transmission colour for its list entry.
QIcon FilterSwatch(uint32_t colour) {
  QPixmap pm(14, 14);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(QColor(90, 90, 90));
  p.setBrush(QColor(int(colour & 0xff), int((colour >> 8) & 0xff), int((colour >> 16) & 0xff)));
  p.drawRect(0, 0, 13, 13);
  return QIcon(pm);
}

QString ToQString(std::string_view s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

}  // namespace

CColorCastPage::CColorCastPage(Settings& s, bool advanced, CPreviewPanel* preview, QWidget* parent)
    : CTuningPage(s, parent), advanced_(advanced) {
  setObjectName(advanced ? "colorCastAdvancedPage" : "colorCastBasicPage");
  QVBoxLayout* left = TwoColumns(preview, false);

  std::tie(castSwitch_, castCurve_) = AddSwitchedCurve(
      left, QStringLiteral("Color Cast"), QStringLiteral("Enable Blue Cast Removal"),
      advanced ? &s.ColorCast.Enabled : &s.ColorCast.SimEnabled,
      advanced ? s.ColorCast.Advanced : s.ColorCast.Basic);

  std::tie(saturationSwitch_, saturationCurve_) = AddSwitchedCurve(
      left, QStringLiteral("Enhance Colors"), QStringLiteral("Enable Enhance Colors"),
      advanced ? &s.Saturation.Enabled : &s.Saturation.SimEnabled,
      advanced ? s.Saturation.Advanced : s.Saturation.Basic);

  QGroupBox* sim = AddGroup(left, QStringLiteral("Filter Simulator"));
  filterSwitch_ = AddSwitch(QStringLiteral("Enable Filter Simulator"),
                            advanced ? &s.FilterSim.Enabled : &s.FilterSim.SimEnabled);
  sim->layout()->addWidget(filterSwitch_);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("Wratten reference number:"), this));
  filterList_ = new QComboBox(this);
  filterList_->setObjectName("filterList");
  filterList_->setMaxVisibleItems(16);
  for (const FilterListItem& item : FillFilterList(true))
    filterList_->addItem(FilterSwatch(item.colour), ToQString(item.name), uint(item.colour));
  row->addWidget(filterList_, 1);
  blackWhite_ =
      AddSwitch(QStringLiteral("Black && White"), advanced ? &s.FilterSim.BW : &s.FilterSim.SimBW);
  row->addWidget(blackWhite_);
  static_cast<QVBoxLayout*>(sim->layout())->addLayout(row);
  shortName_ = new QLabel(this);
  shortName_->setObjectName("filterShortName");
  QFont bold = shortName_->font();
  bold.setBold(true);
  shortName_->setFont(bold);
  description_ = new QLabel(this);
  description_->setObjectName("filterDescription");
  description_->setWordWrap(true);
  note_ = new QLabel(QStringLiteral("This is a simulation (for educational purposes) of the "
                                    "effects of real-world glass/gelatin filters.\n\nKodak Wratten "
                                    "is a trademark of Eastman Kodak Company."),
                     this);
  note_->setObjectName("filterNote");
  note_->setWordWrap(true);
  QPalette dim = note_->palette();
  dim.setColor(QPalette::WindowText, QColor(96, 96, 96));
  note_->setPalette(dim);
  sim->layout()->addWidget(shortName_);
  sim->layout()->addWidget(description_);
  sim->layout()->addWidget(note_);
  connect(filterList_, &QComboBox::currentIndexChanged, this, [this] {
    ShowFilterTexts();
    Edited();
  });
  left->addStretch(1);
  LoadFromSettings();
}

int& CColorCastPage::FilterNo() {
  return advanced_ ? settings_.FilterSim.FilterNo : settings_.FilterSim.SimFilterNo;
}

void CColorCastPage::LoadControls() {
  // A position outside the list selects no filter.
  int n = FilterNo();
  filterList_->setCurrentIndex(n >= 0 && n < filterList_->count() ? n : -1);
  ShowFilterTexts();
}

void CColorCastPage::CommitControls() {
  // An empty selection keeps the stored position (which selects no filter).
  if (filterList_->currentIndex() >= 0) FilterNo() = filterList_->currentIndex();
}

void CColorCastPage::ShowFilterTexts() {
  std::string name = filterList_->currentText().toStdString();
  shortName_->setText(ToQString(FilterShortName(name)));
  description_->setText(ToQString(FilterDescription(name)));
}

void CColorCastPage::UpdateEnabling() {
  castCurve_->curve().SetEnabled(castSwitch_->isChecked());
  saturationCurve_->curve().SetEnabled(saturationSwitch_->isChecked());
  bool sim = filterSwitch_->isChecked();
  filterList_->setEnabled(sim);
  blackWhite_->setEnabled(sim);
  shortName_->setEnabled(sim);
  description_->setEnabled(sim);
}

}  // namespace orv::ui
