// How the capacity probe visits the CPUs of a round: a choice of the command line.
#pragma once

#include <string>
#include <vector>

enum class ProbeMode {
    each,     // one CPU at a time, the others idle: a CPU's rate is its own, but a host that gives two
              // virtual CPUs one core between them looks healthy, since one of them is always idle
    together, // every CPU at once, as the team runs: sees that host too
    none,     // no probe: every round counts as clean
};

// "together", "each", "none"; false for anything else.
bool parse_probe_mode(const std::string& text, ProbeMode& mode);
const char* probe_mode_name(ProbeMode mode);
std::vector<std::string> probe_mode_names(); // every mode's, in the order above
