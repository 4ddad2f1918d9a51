#pragma once

#include <QString>

class QObject;

namespace zarovia::window {

// Start-up phases, written to standard error when ZAROVIA_STARTUP_PROFILE is set: after each,
// the milliseconds since the process was started and the resident memory (current and peak,
// anonymous and file-backed) in MiB. When the variable holds the wall-clock time of the exec in
// nanoseconds since the epoch (`ZAROVIA_STARTUP_PROFILE=$(date +%s%N) zarovia ...`), times
// count from there; otherwise from the first mark. Costs nothing when the variable is unset.
namespace startup {

bool profiling();
void mark(const char* phase);
// Marks the first paint of any widget and the first expose of a window, once each.
void watchFirstPaint(QObject* application);

}  // namespace startup

}  // namespace zarovia::window
