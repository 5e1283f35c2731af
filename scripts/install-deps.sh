#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian package ORV Lumitra needs to build, test and run.
# Idempotent: when everything is present it only asks dpkg and exits; apt-get update runs only
# when a package is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libjpeg62-turbo-dev libturbojpeg0-dev libpng-dev libtiff-dev zlib1g-dev
  libfreetype-dev libfontconfig-dev fonts-liberation libwmf-dev
  libheif-dev libheif-examples liblcms2-dev
  libraw-dev libexiv2-dev libhwy-dev libcli11-dev
  qt6-base-dev libgl-dev xvfb xauth
  libgtest-dev libgmock-dev libbenchmark-dev
  help2man librsvg2-bin
  desktop-file-utils appstream shared-mime-info man-db file
  parallel jq rsync
  slurmctld slurmd slurm-client munge
)

# A package counts when it is installed for this machine's architecture (or for all): with a
# foreign architecture added (cross builds), dpkg lists one status per architecture.
arch=$(dpkg --print-architecture)
installed() {
  dpkg-query -W -f='${Status} ${Architecture}\n' "$1" 2>/dev/null |
    grep -qE "^install ok installed ($arch|all)$"
}
missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "install-deps: installing ${missing[*]}" >&2
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
