#include "ui/pages/BalancePage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "ui/pages/CurveControl.h"

namespace orv::ui {

CBalancePage::CBalancePage(Settings& s, bool advanced, CPreviewPanel* preview, QWidget* parent)
    : CTuningPage(s, parent), advanced_(advanced) {
  setObjectName(advanced ? "balanceAdvancedPage" : "balanceBasicPage");
  QVBoxLayout* left = TwoColumns(preview, false);

  QGroupBox* balance = AddGroup(left, QStringLiteral("Auto Balance"));
  balanceSwitch_ = AddSwitch(QStringLiteral("Enable Auto Balance"),
                             advanced ? &s.Balance.Enabled : &s.Balance.SimEnabled);
  balanceCurve_ = AddCurve(advanced ? s.Balance.Advanced : s.Balance.Basic);
  balance->layout()->addWidget(balanceSwitch_);
  balance->layout()->addWidget(balanceCurve_);

  QGroupBox* midtones = AddGroup(left, QStringLiteral("Midtones"));
  midtonesSwitch_ = AddSwitch(QStringLiteral("Enable Midtones Correction"),
                              advanced ? &s.Midtones.Enabled : &s.Midtones.SimEnabled);
  midtonesCurve_ = AddCurve(advanced ? s.Midtones.Advanced : s.Midtones.Basic);
  midtones->layout()->addWidget(midtonesSwitch_);
  midtones->layout()->addWidget(midtonesCurve_);
  left->addStretch(1);
  LoadFromSettings();
}

void CBalancePage::UpdateEnabling() {
  balanceCurve_->curve().SetEnabled(balanceSwitch_->isChecked());
  midtonesCurve_->curve().SetEnabled(midtonesSwitch_->isChecked());
}

}  // namespace orv::ui
