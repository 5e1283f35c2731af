// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// libjpeg's errors for the tests that call libjpeg directly: a jump back instead of an exit.
#pragma once

#include <csetjmp>
#include <cstdio>

extern "C" {
#include <jpeglib.h>
}

namespace orv::testing {

// An error manager whose errors longjmp to `jump` (set with setjmp before the first libjpeg
// call) and whose warnings print nothing; libjpeg still counts them in mgr.num_warnings.
struct LibjpegErrorTrap {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;

  // Sets the manager up; the result goes into the codec struct's err.
  jpeg_error_mgr* Install() {
    jpeg_std_error(&mgr);
    mgr.error_exit = [](j_common_ptr info) {
      std::longjmp(reinterpret_cast<LibjpegErrorTrap*>(info->err)->jump, 1);
    };
    mgr.emit_message = [](j_common_ptr, int) {};
    mgr.output_message = [](j_common_ptr) {};
    return &mgr;
  }
};

}  // namespace orv::testing
