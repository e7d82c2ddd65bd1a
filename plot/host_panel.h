// The picture's panel over a scan's time, for records that hold the capacity probe's rounds:
// the speed-up of every round at the largest thread count, starved rounds drawn apart from clean
// ones, each CPU's probe rate against the healthy rate, with the line below which a round
// counts as starved, and, where the record has them, the cache line's round trips between the
// CPUs on an axis of their own. Figures enter as numbers in data blocks; text only through
// gnuplot_quoted.
#pragma once

#include "plot/scan_reader.h"

#include <string>
#include <vector>

// Whether some scan has probe rounds to draw.
bool has_host_panel(const std::vector<ScanPlot>& scans);

// The panel's data blocks ($cleanN, $starvedN, $rateNxC for scan N and CPU C, $tripNxAxB for its
// pair of CPUs A and B), to stand with the other blocks at the top of the script, and the
// commands that draw the panel.
struct HostPanel {
    std::string blocks;
    std::string commands;
};
HostPanel host_panel(const std::vector<ScanPlot>& scans);

// For the caption: "3 of 10 rounds starved (30 %); lowest rate: CPU 1 0.67" (of the healthy
// rate), "no starved round of 10", "off" (--probe none); empty for a record from before the probe.
std::string starved_caption(const ScanPlot& scan);
