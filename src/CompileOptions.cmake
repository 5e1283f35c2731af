# SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The compile options every build of the code takes, the main build and scripts/kernel-check
# alike, so that a check on another compiler or architecture builds what ships.
add_compile_options(-Wall -Wextra)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 reports impossible overlaps inside std::string concatenation at -O2 (GCC bug 105329).
  add_compile_options(-Wno-restrict)
endif()
# Exact results depend on every product being rounded before it is added: no fused multiply-add.
add_compile_options(-ffp-contract=off)
# Programs record only the shared libraries they call into. The two programs hand RAW and WMF
# files to the decoding helper, so they start without loading LibRaw, exiv2, libwmf and its X11
# libraries: several milliseconds of every run.
add_link_options(LINKER:--as-needed)
if(ORV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ORV_BUILD_FUZZ)
  # Coverage for libFuzzer everywhere, sanitizers so that every fault stops the run.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined -g)
  add_link_options(-fsanitize=address,undefined)
endif()
