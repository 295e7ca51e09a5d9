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

// Qt's own connection: a round trip, so that what Qt asked (a window created, mapped) is done
// before another connection acts on it.
void syncQtConnection();
// Waits, briefly, until the server has given `window` this size: while a window is not mapped
// yet, its window manager applies a resize at its own pace.
void awaitSize(unsigned long window, int width, int height);
// Gives up the pointer grab Qt's connection holds since a button press, so that the window
// manager can take the pointer for a move.
void releaseQtPointerGrab();

} // namespace sorvane::qt
