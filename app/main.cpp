// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <exception>
#include <new>

#include "app/start_up.h"
#include "library/save_cleanup.h"

// Memory running out, or any fault that escaped the window, ends the program with a message on
// standard error instead of an abort.
int main(int argc, char* argv[]) {
  // A save ended by a signal leaves no temporary file beside the library.
  trevak::temporary_files::removeOnSignals();
  try {
    return trevak::runTrevak(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("trevak: out of memory\n", stderr);
  } catch (const std::exception&) {
    std::fputs("trevak: unexpected internal error\n", stderr);
  }
  return 1;
}
