// The picture of a comparison (the record tilebench-compare writes with --output): per thread
// count, B's time over A's and B's speed-up over A's, each with its 95 % interval, beside the
// line y = 1 (no change) and the band within which a ratio is no difference.
#pragma once

#include "plot/output_format.h"
#include "record/comparison_record.h"

#include <string>

// The summary for the console: what was compared, and per thread count both ratios and their
// verdicts. Text from the record is shown escaped.
std::string format_comparison_summary(const ComparisonRecord& record, const std::string& file);

// Whether some thread count has a finite ratio and interval to draw.
bool has_drawable_ratios(const ComparisonRecord& record);

// Two panels, time ratio above speed-up ratio, each point with its interval as error bars, the
// line y = 1 and the band 1 +- threshold; a caption names the two scans, the seed and what
// differs. Figures enter as numbers in data blocks, text only through gnuplot_quoted.
std::string comparison_gnuplot_script(const ComparisonRecord& record, const std::string& file, PictureFormat format);
