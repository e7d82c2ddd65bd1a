// PREFIX.json: the whole scan in one record (its parameters, the machine and build under it,
// the OpenMP environment, the summaries and the warnings), for tilebench-plot and for anyone
// comparing machines. The record's type and its keys are record/'s; this file fills it from a
// scan. Written to a temporary name and renamed, so it is never half-written.
#pragma once

#include "common/build_info.h"
#include "machine/topology.h"
#include "machine/warnings.h"
#include "record/scan_record.h"
#include "scan/options.h"
#include "scan/runner.h"

#include <string>
#include <utility>
#include <vector>

struct ScanContext {
    MachineInfo machine;
    double load_start = 0.0, load_end = 0.0; // one-minute load averages
    double busy_cpus_start = 0.0;            // other processes' work just before the first call
    std::string started_utc;
    BuildInfo build;
    std::vector<std::pair<std::string, std::string>> environment; // every OMP_* and GOMP_* variable set
    std::vector<Warning> warnings;
};

ScanRecord scan_record(const ScanOptions& options, const ScanRun& run, const ScanContext& context);

// The capacity probe's rule, every completed round's rates and verdicts, and in a plan of
// several cells where each round's probes stood among its cells' calls.
RecordProbe probe_record(const ScanRun& run);
