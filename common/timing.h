// The timing harness: how a kernel call becomes the seconds every tool reports. It measures
// and returns a number; it never prints, so whatever surrounds it stays outside the span.
#pragma once

#include <chrono>
#include <cstdint>

// The shortest call the harness times well. A reading is truncated to whole microseconds, so it
// may be short by up to one: 1 % of a 100 us call, a fifth of the scan's default precision of
// 5 %. Below this the clock's tick, not the machine, decides the figures.
constexpr double shortest_timed_call_s = 100e-6;

// Microseconds to the reported seconds: the count goes through double and float, then is
// divided by 10^6 in single precision. Counts above 2^24 lose their last microseconds.
inline float seconds_from_microseconds(std::int64_t microseconds)
{
    return static_cast<float>(static_cast<double>(microseconds)) / 1000000.0f;
}

// A clock difference in whole microseconds, truncated toward zero as the harness reports it.
inline std::int64_t whole_microseconds(std::chrono::steady_clock::duration elapsed)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
}

// Wall-clock microseconds taken by call(), truncated. Nothing but the call runs between the two
// clock readings. The steady clock never jumps when the system time is set.
template <typename Call>
std::int64_t measure_microseconds(Call&& call)
{
    const auto t1 = std::chrono::steady_clock::now();
    call();
    const auto t2 = std::chrono::steady_clock::now();
    return whole_microseconds(t2 - t1);
}

// The same call's time as the benchmark reports it: whole microseconds, through a float.
template <typename Call>
float measure_seconds(Call&& call)
{
    return seconds_from_microseconds(measure_microseconds(call));
}
