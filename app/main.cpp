// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/start_up.h"

int main(int argc, char* argv[]) { return trevak::runTrevak(argc, argv); }
