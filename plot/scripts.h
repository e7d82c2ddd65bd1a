// The gnuplot scripts of the pictures. Data go inline, so a script written with --script draws
// the same picture on its own and can be restyled for a paper. Nothing read from a file becomes
// gnuplot syntax: figures enter only as numbers this code formats, in inline data blocks or in
// its own commands, and text (names, machines, warnings) only through gnuplot_quoted(). The
// scripts draw onto standard output; drawing_into() names a file instead.
#pragma once

#include "plot/output_format.h"
#include "plot/scan_reader.h"
#include "plot/summaries.h"

#include <string>
#include <vector>

// Speed-up (with the ideal y = x) above efficiency, one line per run. Points whose figures are
// not finite are left out.
std::string gnuplot_script(const std::vector<NamedRun>& runs, PictureFormat format);

// Three panels per picture, every point with its 95 % interval as error bars and no line
// between thread counts: time on log-log axes with the ideal baseline / threads; speed-up with
// the ideal y = x and the bound of the kernel's division of work; efficiency. A caption says
// what the bars are and names each scan's machine, size, block, binding and rounds. Several
// scans stand side by side at each count, never farther from it than 0.4 of the gap to the next.
std::string scan_gnuplot_script(const std::vector<ScanPlot>& scans, PictureFormat format);

// The picture of a study record (tilebench-scan with lists of sizes or edges): per size, time
// against tile edge on log-log axes, one line per thread count, every point with its 95 %
// interval where it has one, the fastest edge ringed and its equals boxed, and dotted marks
// where a tile's working set fills each cache; beside it, speed-up against threads, one line per
// edge over its own sequential kernel, with that edge's schedule bound dashed. The record must
// hold a study.
std::string study_gnuplot_script(const ScanPlot& study, PictureFormat format);

// Whether a study record has a time to draw: some edge with a finite median.
bool has_drawable_study(const ScanPlot& study);

// Whether the time panel has something to draw: a finite baseline or a configuration with a
// finite median time in some record. Without one gnuplot cannot draw the picture.
bool has_drawable_times(const std::vector<ScanPlot>& scans);
