// CModePages: the content of one of the tabs 2 to 6, holding its Basic and its Advanced page
// and showing exactly one of them, the one of the current mode.
#pragma once

#include <QStackedWidget>

namespace orv::ui {

class CSettingsPage;

class CModePages : public QStackedWidget {
  Q_OBJECT

 public:
  // Takes ownership of both pages.
  CModePages(CSettingsPage* basic, CSettingsPage* advanced, QWidget* parent = nullptr);

  // Shows the page of the mode and refreshes it from the model (the other page may have
  // changed a field both show).
  void FollowMode(bool advanced);
  CSettingsPage* basic() const { return basic_; }
  CSettingsPage* advanced() const { return advanced_; }
  CSettingsPage* current() const;

 signals:
  // Forwarded from either page.
  void changed();
  void resetRequested();

 private:
  CSettingsPage* basic_;
  CSettingsPage* advanced_;
};

}  // namespace orv::ui
