// AUTORUN-CHECK --try: the launcher's own window on a disc folder.
#pragma once

#include "checker.h"

// A whole check of the disc, printed; its exit code.
typedef int (*CheckRun)(Checker *checker);

// --try: runs `check` on the disc, then shows the launcher's own window on it
// with its commands printed instead of run, checking and reloading whenever a
// file below the root changes. 0 when the window is closed, 3 when the disc
// cannot be read or the window cannot be made.
int TryDisc(Checker *checker, CheckRun check);
