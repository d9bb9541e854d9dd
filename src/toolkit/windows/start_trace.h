#pragma once

namespace vistel {

// Marks of a program's start-up, for the start-up benchmark: when the
// environment has VISTEL_TRACE_START=1, each mark prints one line
// "vistel-start <ms> <cpu ms> <step>" on standard error: <ms> on the
// monotonic clock the benchmark times exec with, <cpu ms> the processor time
// the process has used so far. Otherwise a mark costs one test of a flag.
void traceStart(const char* step);

// With the trace on, marks the first paint of every top-level window from
// now on ("painted <title>"). Needs the application object.
void traceFirstPaints();

}  // namespace vistel
