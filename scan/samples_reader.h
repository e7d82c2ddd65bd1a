// Reading PREFIX.csv back, for the programs that use a scan's samples after it ended: every
// timed call with its configuration, as format_sample wrote it. Columns are found by the
// header's names, so columns added later are passed over by readers that do not need them.
#pragma once

#include "scan/plan.h"

#include <string>
#include <vector>

struct RecordedSample {
    int round = 0; // 1-based
    Configuration configuration;
    int team = 1;
    double seconds = 0.0;
    bool valid = true;
};

// Every line of a samples file after its header. False, with one line naming the first
// damaged line (a missing column, a number that is not one, a round below 1), otherwise.
bool read_samples(const std::string& text, std::vector<RecordedSample>& samples, std::string& problem);
