// The command line of orv-lumitra: --home DIR, --screenshot FILE [--tab N] [--image FILE],
// --help, --version. Options with one dash belong to Qt and are left to it.
#pragma once

#include <string>
#include <vector>

namespace orv::ui {

struct LaunchOptions {
  std::string home;
  std::string screenshot;  // render the window into this PNG and exit
  int tab = 0;
  std::string image;
  bool help = false;
  bool version = false;
};

// False with a message for an unknown option or a missing or malformed value.
bool ParseLaunchOptions(const std::vector<std::string>& args, LaunchOptions& out,
                        std::string& error);

const char* LaunchUsage();

}  // namespace orv::ui
