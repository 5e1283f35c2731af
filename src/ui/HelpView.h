// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// HelpView: the HTML view of the first tab. It shows the help pages and the run log, and routes
// a followed link by its target: the help index and the log open in the desktop's browser,
// "default" asks for the default settings, "print" does nothing, any other page of the help
// folder is shown here.
#pragma once

#include <QTextBrowser>
#include <functional>

namespace orv::ui {

class CHelpView : public QTextBrowser {
  Q_OBJECT
 public:
  struct Actions {
    std::function<void(const QString&)> openInBrowser;  // a file path or a web address
    std::function<void()> resetToDefaults;
  };

  CHelpView(QString helpFolder, Actions actions, QWidget* parent = nullptr);

  // Shows an HTML file; showing the file already shown reads it again (the log grows).
  void ShowFile(const QString& path);
  // Adds an HTML paragraph to the page shown, under its heading (the run's counts on the page a
  // run ends on); the file itself is not changed, so showing it again drops the paragraph.
  void AddNote(const QString& html);
  // The file shown, empty before the first one.
  QString shownFile() const;

  // What a click on a link does.
  void FollowLink(const QUrl& link);

 private:
  QString helpFolder_;
  Actions actions_;
};

}  // namespace orv::ui
