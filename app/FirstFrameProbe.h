#pragma once
class QQuickWindow;

// Start-up measurement hook for bench/run. With CALDER_BENCH_FIRST_FRAME set, the first frame
// the window puts on screen prints "calder-first-frame <ns> <cpu us> <renderer>" on stdout, and
// the first frame after each later show "calder-shown-frame ...": the time of
// std::chrono::steady_clock (the monotonic clock), std::clock() (on Linux the CPU time of all
// threads) and "opengl" or "software". Unset, it costs one environment lookup.
void installFirstFrameProbe(QQuickWindow *window);
