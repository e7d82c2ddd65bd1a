// The gnuplot scripts of the pictures. Data go inline, so a script written with --script draws
// the same picture on its own and can be restyled for a paper.
#pragma once

#include "plot/output_format.h"
#include "plot/scan_reader.h"
#include "plot/summaries.h"

#include <string>
#include <vector>

// Speed-up (with the ideal y = x) above efficiency, one line per run, into output_file.
// Points whose figures are not finite are left out.
std::string gnuplot_script(const std::vector<NamedRun>& runs, const std::string& output_file, PictureFormat format);

// Three panels per picture, every point with its 95 % interval as error bars and no line
// between thread counts: time on log-log axes with the ideal baseline / threads; speed-up with
// the ideal y = x and the bound of the kernel's division of work; efficiency. A caption says
// what the bars are and names each scan's machine, size, block, binding and rounds.
std::string scan_gnuplot_script(const std::vector<ScanPlot>& scans, const std::string& output_file,
                                PictureFormat format);
