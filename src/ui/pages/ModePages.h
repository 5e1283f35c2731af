// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// CModePages: the content of one of the tabs 2 to 6, holding its Basic and its Advanced page
// and showing exactly one of them, the one of the current mode.
#pragma once

#include <QStackedWidget>

namespace orv::ui {

class CTuningPage;

class CModePages : public QStackedWidget {
  Q_OBJECT

 public:
  // Takes ownership of both pages.
  CModePages(CTuningPage* basic, CTuningPage* advanced, QWidget* parent = nullptr);

  // Shows the page of the mode and refreshes it from the model (the other page may have
  // changed a field both show).
  void FollowMode(bool advanced);
  CTuningPage* basic() const { return basic_; }
  CTuningPage* advanced() const { return advanced_; }
  CTuningPage* current() const;

 signals:
  // Forwarded from either page.
  void changed();
  void resetRequested();

 private:
  CTuningPage* basic_;
  CTuningPage* advanced_;
};

}  // namespace orv::ui
