// A test for a change of level in a series taken over time, such as a scan's per-round speed-ups:
// a slow spell of the host that lasts for part of a scan shifts the series, where noise only
// scatters it. Pure and deterministic.
#pragma once

#include <vector>

// The thresholds of the test. The defaults are argued in docs/SCANNING.md.
struct DriftRule {
    double clip = 2.0;         // standardised deviations are clipped here, so one wild point cannot alarm
    double critical = 1.628;   // the Brownian bridge's supremum passes this with probability 1 %
    double noise_floor = 0.01; // the smallest noise assumed, in the series' own units
    int min_points = 8;        // shorter series are not judged
};

struct Drift {
    bool changed = false;
    int index = -1;         // first point of the new level (0-based); -1 when not judged
    double statistic = 0.0; // the standardised CUSUM's largest excursion
    double noise = 0.0;     // the noise the series was standardised by
};

// Two-sided CUSUM of clipped, standardised deviations from the median. The noise is taken from
// the median absolute difference between neighbours, which a single change of level hardly
// moves; the largest excursion of the centred cumulative sum, over its null spread times the
// root of the length, is compared with the supremum of a Brownian bridge.
Drift detect_drift(const std::vector<double>& values, const DriftRule& rule = {});
