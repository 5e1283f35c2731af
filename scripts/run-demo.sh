#!/usr/bin/env bash
# Installs the dependencies, builds the release version in build/ and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2
build/orv --version
build/orv --help
