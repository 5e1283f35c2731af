#include "ui/LaunchOptions.h"

#include <charconv>

#include "engine/Tabs.h"

namespace orv::ui {

const char* LaunchUsage() {
  return "usage: orv-lumitra [--home DIR] [--screenshot FILE [--tab N] [--image FILE]]\n"
         "       orv-lumitra --help | --version\n"
         "\n"
         "  --home DIR         the app folder (default.orv, current.orv, Profiles, help)\n"
         "  --screenshot FILE  render the main window into a PNG file and exit\n"
         "  --tab N            with --screenshot: select tab N (0 to 9) first\n"
         "  --image FILE       with --screenshot: queue and show this photograph first\n";
}

bool ParseLaunchOptions(const std::vector<std::string>& args, LaunchOptions& out,
                        std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = a + " needs a value";
        return false;
      }
      into = args[++i];
      return true;
    };
    if (a == "--home") {
      if (!value(out.home)) return false;
    } else if (a == "--screenshot") {
      if (!value(out.screenshot)) return false;
    } else if (a == "--image") {
      if (!value(out.image)) return false;
    } else if (a == "--tab") {
      std::string text;
      if (!value(text)) return false;
      int tab = -1;
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), tab);
      if (ec != std::errc() || end != text.data() + text.size() || tab < 0 || tab >= tabs::kCount) {
        error = "--tab takes a tab number from 0 to 9, not \"" + text + "\"";
        return false;
      }
      out.tab = tab;
    } else if (a == "--help" || a == "-h") {
      out.help = true;
    } else if (a == "--version") {
      out.version = true;
    } else if (a.rfind("--", 0) == 0) {
      error = "unknown option " + a;
      return false;
    }
    // Anything else (Qt's own -style, -platform ... and their values) is left to Qt.
  }
  if ((out.tab != tabs::kOrv || !out.image.empty()) && out.screenshot.empty()) {
    error = "--tab and --image go with --screenshot";
    return false;
  }
  return true;
}

}  // namespace orv::ui
