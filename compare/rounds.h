// Which of a side's rounds enter a comparison: the one place that decides it, from the side's
// samples and record, so that a comparison uses the rounds the side's own summary uses.
#pragma once

#include "record/scan_record.h"
#include "scan/clean_rounds.h"
#include "scan/samples_reader.h"
#include "stats/stats.h"

#include <vector>

// One parallel thread count's samples from the rounds that count.
struct ThreadSamples {
    int threads = 0;
    std::vector<double> seconds; // one per counted round with a valid call on this count
    PairedSamples pairs;         // the counted rounds with a valid baseline and a valid call here
};

struct CountedRounds {
    std::vector<int> counted;              // rounds that count, ascending
    std::vector<int> incomplete;           // rounds left out: not every configuration was timed
    std::vector<int> starved;              // rounds left out: the scan's probe found them starved
    std::vector<ThreadSamples> by_threads; // every parallel configuration of the record, ascending
};

// A round counts when every configuration of the record was timed in it (an interrupted scan's
// last round does not); its invalid samples are left out, and the rest of the round stays. A
// record with the probe's verdicts (parameters.probe set) counts only the rounds its scan's own
// figures come from (clean_rounds): its starved rounds are left out, and so is a round the scan
// did not complete, however many of its calls were timed.
CountedRounds counted_rounds(const ScanRecord& record, const std::vector<RecordedSample>& samples);
