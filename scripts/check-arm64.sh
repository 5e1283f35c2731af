#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the core library with its kernel and codec tests for arm64 (Debian's cross
# compiler and the arm64 builds of the -dev packages) and runs them under qemu-aarch64. The kernel
# tests compare every vector target the emulated processor offers (NEON, and SVE where emulated)
# with the reference code byte for byte.
#
#   scripts/check-arm64.sh [build-dir]      default build-arm64, beside the sources
#   scripts/check-arm64.sh --install-only   only installs what the cross build needs
#
# Installs (as root) the arm64 foreign architecture, the cross compiler, qemu-user-static and the
# arm64 -dev packages; each step is skipped when it is already done.
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
install_only=0
if [[ "${1:-}" == --install-only ]]; then
  install_only=1
  shift
fi
build=${1:-$src/build-arm64}
(($# > 0)) && shift
start=$(date +%s)

native=(g++-aarch64-linux-gnu qemu-user-static cmake ninja-build pkg-config)
foreign=(libjpeg62-turbo-dev libturbojpeg0-dev libpng-dev libtiff-dev zlib1g-dev libfreetype-dev
         libfontconfig-dev libwmf-0.2-7 libheif-dev liblcms2-dev libraw-dev libexiv2-dev libhwy-dev
         libgtest-dev libgmock-dev)

missing=()
installed() { [[ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true)" == "install ok installed" ]]; }
for p in "${native[@]}"; do
  installed "$p:amd64" || installed "$p:all" || installed "$p" || missing+=("$p")
done
for p in "${foreign[@]}"; do
  installed "$p:arm64" || missing+=("$p:arm64")
done
if ((${#missing[@]} > 0)); then
  echo "check-arm64: installing ${missing[*]}" >&2
  if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    dpkg --add-architecture arm64
  fi
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
((install_only)) && exit 0

# libwmf-dev cannot be installed for two architectures at once (its arm64 package would replace
# the host's). The arm64 runtime libraries are enough: the headers are the host's, and a
# pkg-config file of the build's own points the link at the arm64 libraries.
mkdir -p "$build/pkgconfig"
cat > "$build/pkgconfig/libwmf.pc" <<PC
Name: libwmf
Description: libwmf for the arm64 check (host headers, arm64 runtime libraries)
Version: $(dpkg-query -W -f='${Version}' libwmf-0.2-7:arm64 | cut -d- -f1)
Libs: -l:libwmf-0.2.so.7 -l:libwmflite-0.2.so.7
Cflags: -I/usr/include/freetype2
PC
export PKG_CONFIG_LIBDIR=$build/pkgconfig:/usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig

export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache
                                          -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$src/scripts/kernel-check" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$src/scripts/kernel-check/arm64-toolchain.cmake" "${launcher[@]}"
cmake --build "$build" -j"${JOBS:-2}" --target orv_kernel_tests

# The test pictures and fixtures are found relative to the sources; the loader and libraries
# come from the arm64 multiarch tree.
# WMF files are played by the decoding helper, which the test program starts itself and which
# would need the emulator registered with the kernel: their round trip is left out unless
# GTEST_FILTER says otherwise, and so are the ORV_KERNELS tests, which start the test program
# again in a fresh process (the forced targets' dispatch is still checked in one process). So
# are the tests that start threads (banded kernels and JPEG coding in bands, the thread budget,
# pages put in place ahead of a writer, the row cut's two sides on two threads, kept buffers freed
# on another thread, temporary files created and swept or ended by a signal on two threads):
# Debian's
# qemu-aarch64-static (7.2) never returns from a guest's first thread start on this machine (a
# five-line std::thread program hangs alike), and how a picture is cut into bands does not
# depend on the processor (the native and clang runs check that; the JPEG band join's own
# tests, which start no thread, run here). Every other test runs on one thread: the thread limit
# starts at 1 and only those tests raise it.
# Twice: on the emulator's default processor, which has SVE and SVE2 besides NEON (every target is
# compared with the reference), and on a NEON-only Cortex-A76, as a Raspberry Pi 5 has.
cd "$build"
status=0
for cpu in max cortex-a76; do
  echo "check-arm64: tests on the emulated $cpu" >&2
  qemu-aarch64-static -cpu "$cpu" -L /usr/aarch64-linux-gnu \
    -E LD_LIBRARY_PATH=/usr/lib/aarch64-linux-gnu ./orv_kernel_tests --gtest_brief=1 \
    "--gtest_filter=${GTEST_FILTER:--*/wmf:*KernelTargetFromEnvironment*:BandedKernels.*:ThreadBudget.*:JpegBands.*:PagesAhead.*:LateRowCut.EveryRowIsWorkedOnce*:LargeBuffer.KeptBuffersTaken*:ExitCleanup.*:StaleTemp.*}" "$@" ||
    status=$?
done
echo "check-arm64: finished in $(( $(date +%s) - start )) s" >&2
exit $status
