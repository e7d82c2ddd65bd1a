// Scan records for the tests, built from the record's own type as tilebench-scan fills it: the
// scan of docs/SCANNING.md (n 1024, b 64, threads 1-2 on two cores), whose table the manual shows.
#pragma once

#include "record/scan_record.h"

#include <utility>
#include <vector>

// One configuration of a record from its times, built field by field: GCC 12 takes a braced list
// of these records, whose times hold a vector, for a read of uninitialised memory.
inline RecordConfiguration configuration_record(const char* kind, int threads, TimeFigures times,
                                                std::vector<std::vector<int>> placement = {})
{
    RecordConfiguration c;
    static_cast<TimeFigures&>(c) = std::move(times);
    c.kind = kind;
    c.threads = threads;
    c.placement = std::move(placement);
    return c;
}

inline ScanRecord documented_scan_record()
{
    ScanRecord r;
    r.parameters.size = 1024;
    r.parameters.block = 64;
    r.parameters.threads = {1, 2};
    r.parameters.threads_text = "1-2";
    r.parameters.kernel = "blocked";
    r.parameters.precision = 0.05;
    r.parameters.min_runs = 6;
    r.parameters.max_runs = 60;
    r.parameters.time_limit_s = 300.0;
    r.parameters.warmup = 1;
    r.parameters.seed = 1780859591;
    r.parameters.bind = "cores";
    r.parameters.output = "scan1";
    r.parameters.confidence = 0.95;
    r.parameters.timer = "steady clock, whole microseconds, kernel call alone";
    r.machine.cpu_model = "Test CPU";
    r.machine.physical_cores = 2;
    r.machine.logical_cpus = 2;
    r.configurations = {
        configuration_record("sequential", 1,
                             {7, 0.426252, 0.406743, 0.431741, 0.984375, 0.406743, 0.431741, 5.0379, {1}}, {{0}}),
        configuration_record("parallel", 1,
                             {7, 0.422717, 0.410138, 0.464231, 0.984375, 0.410138, 0.464231, 5.0802, {1}}, {{0}}),
        configuration_record("parallel", 2, {7, 0.219063, 0.21635, 0.236402, 0.984375, 0.21635, 0.236402, 9.8030, {2}},
                             {{0}, {1}}),
    };
    r.speedups = {
        {{1, 7, 1.008362568810812, 0.928559496128406, 1.024340562754765, 1.008362568810812, 0.928559496128406,
          1.024340562754765, no_value, 1.0, false, true}},
        {{2, 7, 1.9457964147300093, 1.8092820916596657, 1.9714833959180675, 0.9728982073650047, 0.9046410458298328,
          0.9857416979590338, 0.027856760789392032, 2.0, true, true}},
    };
    r.rounds = 7;
    r.samples = 21;
    r.elapsed_s = 9.121259694;
    r.stop_reason = "precision";
    return r;
}
