// tilebench-plot's subsystem: reading results back (out.csv from tilebench, PREFIX.json from
// tilebench-scan, a comparison from tilebench-compare), a summary table for the console, a
// gnuplot script for the picture, and drawing it safely into the requested file.
#pragma once

#include "plot/comparison_picture.h" // format_comparison_summary, comparison_gnuplot_script
#include "plot/csv_runs.h"           // FileRow, Run, read_results, split_runs
#include "plot/drawing.h"            // output formats, draw_picture
#include "plot/scan_reader.h"        // ScanPlot, read_scan_record
#include "plot/scripts.h"            // gnuplot_script, scan_gnuplot_script
#include "plot/shown.h"              // shown: text from files made fit for a terminal
#include "plot/summaries.h"          // format_summary, format_scan_summary
