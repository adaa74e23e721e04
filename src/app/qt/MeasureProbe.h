// A measurement aid, off unless its environment variables are set: drives the window without a
// user and times it, for scripts/perf/measure.py. Normal use never sets them.
//
//   TVX_MEASURE_CONNECT=N    choose COM N and Connect at start-up, then press RealTime once
//                            the table has come in
//   TVX_MEASURE_KEY_MS=T     from RealTime on, step the selected value ("=") every T ms
//   TVX_MEASURE_SAMPLE_MS=T  from RealTime on, note the six readouts every T ms
//   TVX_STATS=PATH           on exit (a normal quit, SIGTERM or SIGINT) write what was measured
//                            to PATH as JSON; times are CLOCK_MONOTONIC nanoseconds
#pragma once

class MainWindow;

// Call before the window is shown, so its first paint is seen.
void InstallMeasureProbe(MainWindow& window);
