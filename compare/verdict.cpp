#include "compare/verdict.h"

#include <cstdio>

namespace {

const char* const no_difference = "no difference beyond the noise";

// "by 7.9 % [5.1, 10.6]" for a change of percent with bounds low and high, already in order.
std::string by_percent(double percent, double low, double high)
{
    char text[96];
    std::snprintf(text, sizeof(text), "by %.1f %% [%.1f, %.1f]", percent, low, high);
    return text;
}

std::string too_few(int a, int b)
{
    return "too few clean rounds (A " + std::to_string(a) + ", B " + std::to_string(b) + ")";
}

} // namespace

std::string time_verdict(const CountComparison& count)
{
    if (!count.time_judged)
        return too_few(count.runs_a, count.runs_b);
    const double ratio = count.time.ratio;
    const Interval& ci = count.time.interval;
    if (count.time_change == Change::lower) // the ratio's upper bound is the smallest gain
        return "B faster " + by_percent((1.0 - ratio) * 100.0, (1.0 - ci.high) * 100.0, (1.0 - ci.low) * 100.0);
    if (count.time_change == Change::higher) {
        const Interval slowdown = slowdown_percent(count);
        return "B slower " + by_percent((ratio - 1.0) * 100.0, slowdown.low, slowdown.high);
    }
    return no_difference;
}

std::string speedup_verdict(const CountComparison& count)
{
    if (!count.speedup_judged)
        return too_few(count.pairs_a, count.pairs_b);
    const double ratio = count.speedup.ratio;
    const Interval& ci = count.speedup.interval;
    if (count.speedup_change == Change::higher)
        return "B scales better " + by_percent((ratio - 1.0) * 100.0, (ci.low - 1.0) * 100.0, (ci.high - 1.0) * 100.0);
    if (count.speedup_change == Change::lower) // the ratio's upper bound is the smallest loss
        return "B scales worse " + by_percent((1.0 - ratio) * 100.0, (1.0 - ci.high) * 100.0, (1.0 - ci.low) * 100.0);
    return no_difference;
}

Interval slowdown_percent(const CountComparison& count)
{
    const Interval& ci = count.time.interval;
    return Interval{(ci.low - 1.0) * 100.0, (ci.high - 1.0) * 100.0, ci.coverage};
}

bool slower_beyond(const CountComparison& count, double percent)
{
    return count.time_judged && count.time_change == Change::higher && slowdown_percent(count).low > percent;
}

std::string time_change_name(const CountComparison& count)
{
    if (!count.time_judged)
        return "not_judged";
    if (count.time_change == Change::lower)
        return "faster";
    return count.time_change == Change::higher ? "slower" : "none";
}

std::string speedup_change_name(const CountComparison& count)
{
    if (!count.speedup_judged)
        return "not_judged";
    if (count.speedup_change == Change::higher)
        return "better";
    return count.speedup_change == Change::lower ? "worse" : "none";
}
