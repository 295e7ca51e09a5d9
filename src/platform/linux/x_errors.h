// X errors on the adapters' own connections are expected (a foreign window can vanish between
// finding and acting) and must never end the program. Xlib has one error handler per process:
// this one ignores errors on the displays registered here and hands the rest to the handler it
// replaced.
#pragma once

struct _XDisplay;

namespace sorvane::linuxos {

void tolerateErrorsOn(_XDisplay* display);
void stopToleratingErrorsOn(_XDisplay* display);
// Errors ignored so far on tolerant connections (for tests and diagnostics).
unsigned long ignoredXErrors();

} // namespace sorvane::linuxos
