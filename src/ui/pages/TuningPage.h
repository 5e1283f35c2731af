// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// CTuningPage: what every settings page shares. A page edits an orv::Settings in place: each
// user edit writes its field at once, then the page applies its enabling rules and sends
// changed(). LoadFromSettings refreshes every control from the model without sending anything.
#pragma once

#include <QWidget>

#include "settings/Settings.h"

#include <utility>
#include <vector>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QVBoxLayout;

namespace orv::ui {

class CCurveControl;
class CPreviewPanel;

class CTuningPage : public QWidget {
  Q_OBJECT

 public:
  CTuningPage(Settings& settings, QWidget* parent = nullptr);

  // Every control from the model (after a profile load, a reset, or a mode switch).
  void LoadFromSettings();
  // Every control into the model. The model is already current after each edit; this is the
  // commit a pipeline call starts with, and it is safe to repeat.
  void CommitToSettings();

  Settings& settings() { return settings_; }

 signals:
  // A setting was changed by the user, including the end of a curve drag.
  void changed();
  // "Reset to Default" was pressed; the main window asks and loads the defaults.
  void resetRequested();
  // A curve value is still being dragged.
  void changing();

 protected:
  // Page-specific parts of the two operations above.
  virtual void LoadControls() = 0;
  virtual void CommitControls() = 0;
  // The page's enabling rules, all in one place; also keeps each curve's Enabled flag in step
  // with its stage switch.
  virtual void UpdateEnabling() = 0;

  // Call from a control's edit signal: takes the controls into the model, applies the enabling
  // rules and sends changed(). Ignored while the page loads.
  void Edited();
  bool loading() const { return loading_; }

  // Helpers for building pages. A switch made here loads from and commits to its field by
  // itself; a curve control sends changed() when a drag or an edit ends.
  QCheckBox* AddSwitch(const QString& text, int* field);
  CCurveControl* AddCurve(Curve& curve);
  QPushButton* MakeResetButton();
  QGroupBox* AddGroup(QVBoxLayout* column, const QString& title);
  // A group holding a switch above its curve, the shape most corrections take on a page.
  std::pair<QCheckBox*, CCurveControl*> AddSwitchedCurve(QVBoxLayout* column, const QString& title,
                                                         const QString& switchText, int* field,
                                                         Curve& curve);
  // The right-hand column of a page: the "Image After" view (the 1:1 detail view on the detail
  // pages, with its hint) and the "Reset to Default" button below it.
  QVBoxLayout* PreviewColumn(CPreviewPanel* panel, bool detail);
  // The page's two columns: controls on the left, the preview column on the right.
  QVBoxLayout* TwoColumns(CPreviewPanel* panel, bool detail);
  // Redraws the curve controls after their Enabled flags changed.
  void SyncCurves();

  Settings& settings_;

 private:
  struct BoundSwitch {
    QCheckBox* box;
    int* field;
  };
  std::vector<BoundSwitch> switches_;
  std::vector<CCurveControl*> curves_;
  bool loading_ = false;
};

// A check box's state as a setting (1 or 0), and back (only exactly 1 counts as on).
int SwitchValue(const QCheckBox* box);
void SetSwitch(QCheckBox* box, int value);

}  // namespace orv::ui
