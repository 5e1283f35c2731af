// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LaunchOptions.h"

#include <cctype>
#include <charconv>

#include "ui/Tabs.h"

namespace orv::ui {

const char* LaunchUsage() {
  return "Usage: orv-lumitra [--home DIR] [FILE|FOLDER]...\n"
         "   or: orv-lumitra [--home DIR] --screenshot FILE [--tab N] [--image FILE]\n"
         "   or: orv-lumitra --help | --version\n"
         "\n"
         "Opens the main window. Each photo or folder given joins the Cue List as if it\n"
         "were dropped on the window, in the order given; a settings profile (.orv) given\n"
         "is loaded first, as Load Settings does.\n"
         "\n"
         "Options:\n"
         "  --home DIR         the app folder (default.orv, current.orv, Profiles, help)\n"
         "  --screenshot FILE  render the main window into a PNG file and exit\n"
         "  --tab N            with --screenshot: select tab N (0 to 9) first\n"
         "  --image FILE       with --screenshot: queue and show this photograph first\n";
}

bool IsProfilePath(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".orv";
}

bool ParseLaunchOptions(const std::vector<std::string>& args, LaunchOptions& out,
                        std::string& error) {
  bool onlyPaths = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (onlyPaths || a.empty() || a[0] != '-') {
      if (!a.empty()) out.paths.push_back(a);
      continue;
    }
    if (a == "--") {
      onlyPaths = true;
      continue;
    }
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
    // Anything else with one dash (Qt's own -style, -platform ...) is left to Qt.
  }
  if ((out.tab != tabs::kOrv || !out.image.empty()) && out.screenshot.empty()) {
    error = "--tab and --image go with --screenshot";
    return false;
  }
  return true;
}

}  // namespace orv::ui
