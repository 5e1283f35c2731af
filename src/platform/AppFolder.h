// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The app folder: where default.orv, current.orv, the Profiles folder and the help pages (with
// the run log) live. Chosen as: --home DIR, else $ORV_HOME, else the executable's folder when it
// holds default.orv and is writable (build tree, portable copy), else
// $XDG_DATA_HOME/orv-lumitra (default ~/.local/share/orv-lumitra). A folder that lacks
// default.orv is created and seeded from the executable's folder or the installed data folder
// (../share/orv-lumitra beside the executable's folder), so writable state never goes into an
// install prefix. An app folder without current.orv gets a copy of its default.orv, so the
// first run uses the default profile.
#pragma once

#include <string>

namespace orv {

// The folder of the running executable, without a trailing slash.
std::string ExecutableFolder();

// The read-only data of an installed program: default.orv and help/ in ../share/orv-lumitra
// from the executable's folder, whichever prefix the program was installed into.
std::string InstalledDataFolder();

// The default profile of an app folder: its own default.orv, or, while the folder is not seeded
// yet, the one seeding would copy into it.
std::string DefaultProfileFor(const std::string& appFolder);

// The profile a run or the window starts from: the app folder's current.orv, or, while there is
// none (a dry run seeds nothing; a folder that could not be written), the default profile.
std::string StartingProfileFor(const std::string& appFolder);

// Picks the app folder by the rule above without creating or seeding anything (a dry run).
bool ChooseAppFolder(const std::string& homeOption, std::string& folder, std::string& error);
// Resolves, creates and seeds the app folder. False with a message when it cannot be made.
bool ResolveAppFolder(const std::string& homeOption, std::string& folder, std::string& error);

// Makes a path absolute against the current directory and removes "." components and
// duplicate slashes (".." is kept: symbolic links make it unsafe to fold).
std::string AbsolutePath(const std::string& path);

// Creates a folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

}  // namespace orv
