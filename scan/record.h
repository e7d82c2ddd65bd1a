// PREFIX.json: the whole scan in one record (its parameters, the machine and build under it,
// the OpenMP environment, the summaries and the warnings), for tilebench-plot and for anyone
// comparing machines. Written to a temporary name and renamed, so it is never half-written.
#pragma once

#include "common/build_info.h"
#include "machine/topology.h"
#include "machine/warnings.h"
#include "scan/options.h"
#include "scan/runner.h"

#include <nlohmann/json.hpp>

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

nlohmann::ordered_json scan_record(const ScanOptions& options, const ScanRun& run, const ScanContext& context);

// The record as its file holds it: indented by two, a newline at the end. A text that is not
// UTF-8 (an environment value, a host name, an output prefix) keeps the record whole: each
// byte that is not is written as U+FFFD, Unicode's own mark for an undecodable byte, which every
// JSON reader takes and no one could have typed by mistake for those bytes, rather than as a
// "\xNN" of our own that a reader cannot tell from the same four characters typed.
std::string record_text(const nlohmann::ordered_json& record);

// Writes text to a new file of a name no one else has (path + ".tmp." and six random
// characters, created only if it did not exist, so a link planted there leads nowhere), then
// renames it over path, which replaces a link at path rather than writing through it. False,
// with errno, when any step fails; the temporary file is removed and an older path is left as
// it was.
bool write_file_atomically(const std::string& path, const std::string& text);
