// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// orv-lumitra: the desktop program. Resolves the app folder, opens the main window with the
// profiles, photos and folders of the command line, and runs until it closes; with --screenshot
// it renders the window into a PNG instead.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "platform/AppFolder.h"
#include "ui/LaunchOptions.h"
#include "ui/LaunchPaths.h"
#include "ui/MainWindow.h"
#include "ui/Screenshot.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  orv::ui::LaunchOptions options;
  std::string error;
  if (!orv::ui::ParseLaunchOptions(args, options, error)) {
    std::fprintf(stderr, "orv-lumitra: %s\n%s", error.c_str(), orv::ui::LaunchUsage());
    return 2;
  }
  if (options.help) {
    std::fputs(orv::ui::LaunchUsage(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("orv-lumitra %s\n", ORV_VERSION);
    return 0;
  }
  bool screenshot = !options.screenshot.empty();
  // A screenshot needs no display.
  if (screenshot && std::getenv("QT_QPA_PLATFORM") == nullptr)
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ORV Lumitra"));
  QApplication::setApplicationVersion(QStringLiteral(ORV_VERSION));
  // Ties the windows to the installed desktop entry (its icon and name on Wayland).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.orvlumitra.lumitra"));

  std::string folder;
  if (!orv::ResolveAppFolder(options.home, folder, error)) {
    std::fprintf(stderr, "orv-lumitra: %s\n", error.c_str());
    if (!screenshot)
      QMessageBox::critical(nullptr, QStringLiteral("ORV Lumitra"), QString::fromStdString(error));
    return 1;
  }

  orv::ui::CMainWindow window(folder, std::make_unique<orv::ui::CQtPrompts>(), !screenshot);
  // Parsed again without Qt's options and their values, which QApplication has taken out.
  orv::ui::LaunchOptions remaining;
  orv::ui::ParseLaunchOptions(std::vector<std::string>(argv + 1, argv + argc), remaining, error);
  if (screenshot) {
    orv::ui::OpenLaunchPaths(window, remaining.paths, false);
    QString message;
    if (!orv::ui::SaveWindowScreenshot(
            window, QString::fromStdString(orv::AbsolutePath(options.screenshot)), options.tab,
            options.image.empty() ? QString()
                                  : QString::fromStdString(orv::AbsolutePath(options.image)),
            message)) {
      std::fprintf(stderr, "orv-lumitra: %s\n", message.toLocal8Bit().constData());
      return 1;
    }
    return 0;
  }
  window.show();
  orv::ui::OpenLaunchPaths(window, remaining.paths, true);
  return app.exec();
}
