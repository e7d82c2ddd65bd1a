#include "scan/stop_rule.h"

#include "common/exit_status.h"
#include "common/platform_signals.h"
#include "record/summary_figures.h"

#include <algorithm>
#include <cmath>

const char* stop_reason_name(StopReason reason)
{
    switch (reason) {
    case StopReason::precision:
        return "precision";
    case StopReason::max_runs:
        return "max-runs";
    case StopReason::time_limit:
        return "time-limit";
    case StopReason::interrupted:
        return "interrupted";
    case StopReason::none:
        break;
    }
    return "none";
}

StopReason stop_reason(const StopState& state, const StopLimits& limits)
{
    if (state.interrupted)
        return StopReason::interrupted;
    if (state.rounds_done >= limits.min_runs && state.all_precise)
        return StopReason::precision;
    if (state.rounds_done >= limits.max_runs)
        return StopReason::max_runs;
    if (state.elapsed_s + state.last_round_s > limits.time_limit_s)
        return StopReason::time_limit;
    return StopReason::none;
}

bool within_precision(double value, double low, double high, double precision)
{
    // The farther bound, not the half-width: a skewed interval such as 1.946 [1.809, 1.971] has a
    // half-width of 4 % yet reaches 7 % below its figure, and "within 5 %" should mean both sides.
    return has_interval(value, low, high) && std::max(value - low, high - value) <= precision * value;
}

int scan_exit_status(StopReason stop, int stop_signal, int invalid_samples, bool files_ok)
{
    if (stop == StopReason::interrupted)
        return stop_status(stop_signal);
    if (invalid_samples > 0)
        return exit_invalid_result;
    return files_ok ? exit_ok : exit_failure;
}
