#pragma once

#include <QString>

class QObject;

namespace zarovia::window {

// Start-up phases, written to standard error when ZAROVIA_STARTUP_PROFILE is set: after each,
// the milliseconds since the process was started and the resident memory (current and peak,
// anonymous and file-backed) in MiB. When the variable holds the wall-clock time of the exec in
// nanoseconds since the epoch (`ZAROVIA_STARTUP_PROFILE=$(date +%s%N) zarovia ...`), times
// count from there; otherwise from the first mark. Costs nothing when the variable is unset.
// Besides the phases, the window marks each file it has shown ("picture shown", "document
// shown", "media playing") and each error box ("error box"), so that a run without a display
// can tell what the program did (scripts/package-smoke.sh).
namespace startup {

bool profiling();
void mark(const char* phase);
// Marks the first paint of any widget and the first expose of a window, once each.
void watchFirstPaint(QObject* application);

}  // namespace startup

}  // namespace zarovia::window
