// The program's own ties to the X display: whether there is one, what to do when it goes away,
// and the pointer buttons as the server sees them.
#pragma once

#include <string>

namespace sorvane::qt {

// Empty when the display named by DISPLAY accepts a connection; otherwise the one line that
// says why not and what to do.
std::string displayProblem();

// From now on a lost display connection (Qt's or Xlib's) ends the process with one line on
// stderr and exit code 1: no core dump, no cascade of warnings.
void exitOnLostDisplay();

// The pointer buttons held down now, as the server knows them (1 left, 2 right, 4 middle).
int serverButtons();

} // namespace sorvane::qt
