// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Commands.h"

int main(int argc, char** argv) {
  return orv::cli::RunCli(argc, argv);
}
