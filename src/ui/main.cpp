// orv-lumitra: the desktop program. Resolves the app folder, opens the main window, and runs
// until it closes; with --screenshot it renders the window into a PNG instead.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "platform/AppFolder.h"
#include "ui/LaunchOptions.h"
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

  std::string folder;
  if (!orv::ResolveAppFolder(options.home, folder, error)) {
    std::fprintf(stderr, "orv-lumitra: %s\n", error.c_str());
    if (!screenshot)
      QMessageBox::critical(nullptr, QStringLiteral("ORV Lumitra"), QString::fromStdString(error));
    return 1;
  }

  orv::ui::CMainWindow window(folder, std::make_unique<orv::ui::CQtPrompts>(), !screenshot);
  if (screenshot) {
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
  return app.exec();
}
