// When a scan has measured enough, and what the way it ended tells the shell.
#pragma once

enum class StopReason {
    none,        // go on with another round
    precision,   // every speed-up interval is tight enough, after the minimum of rounds
    max_runs,    // the maximum of rounds is done
    time_limit,  // another round like the last would end past the limit
    interrupted, // SIGINT or SIGTERM
};

const char* stop_reason_name(StopReason reason); // "precision", "max-runs", "time-limit", "interrupted", "none"

struct StopState {
    int rounds_done = 0;
    bool all_precise = false; // every parallel thread count's clean speed-up interval within precision
    double elapsed_s = 0.0;
    double last_round_s = 0.0;
    bool interrupted = false;
};

struct StopLimits {
    int min_runs = 6;
    int max_runs = 60;
    double time_limit_s = 300.0;
};

// Asked after every round. The time limit holds even before the minimum of rounds: it is the
// user's bound on the whole scan.
StopReason stop_reason(const StopState& state, const StopLimits& limits);

// Both bounds of [low, high] within precision times value of it (all finite).
bool within_precision(double value, double low, double high, double precision);

// The scan's exit status: a stop signal's own status first (the figures are partial), then
// invalid results (a kernel is wrong whatever else happened), then whether every file and
// standard output received what was written.
int scan_exit_status(StopReason stop, int stop_signal, int invalid_samples, bool files_ok);
