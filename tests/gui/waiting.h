// Every wait of the driver is a bounded poll: the program under test runs in
// another process (under Wine, on a slow machine), and nothing it does may
// make the driver hang.
#pragma once

#include <chrono>
#include <functional>

using Milliseconds = std::chrono::milliseconds;

// Multiplies every timeout; a slow machine sets it above 1.
void SetTimeScale(double scale);
Milliseconds Scaled(Milliseconds timeout);

// Polls `done` until it holds or the (scaled) timeout passes; true if it held.
bool WaitUntil(const std::function<bool()>& done, Milliseconds timeout);

// Gives the program time to react to something that must have no effect.
void Settle(Milliseconds time);

// With tracing on, prints `step` with the time since tracing began (stderr).
void EnableTrace();
void Trace(const char* step);

// Timeouts used throughout.
inline constexpr Milliseconds kWindowTimeout{20000};
inline constexpr Milliseconds kEndTimeout{15000};
inline constexpr Milliseconds kSettleTime{700};
