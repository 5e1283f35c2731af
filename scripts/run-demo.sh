#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the dependencies, builds the release version in build/ and runs the main job: a batch
# run with the default profile over copies of the sample photographs in build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
# Only what the demo runs and an install needs: the programs, manual pages and icon (the test
# suite is built by run-tests.sh, the benchmarks by the bench/ scripts).
cmake --build build -j2 --target programs
rm -rf build/demo
mkdir -p build/demo
cp samples/*.jpg build/demo/
status=0
build/orv --home build run --defaults --set Output.DetailedLog=1 --yes build/demo || status=$?
echo
echo "Outputs: $(pwd)/build/demo/ORV/"
ls -l build/demo/ORV/
echo "Log:     $(pwd)/build/help/log.html"
exit "$status"
