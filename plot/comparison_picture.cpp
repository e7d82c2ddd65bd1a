#include "plot/comparison_picture.h"

#include "plot/shown.h"
#include "record/figures.h"
#include "record/summary_figures.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

std::string interval_text(double low, double high)
{
    return "[" + figure("%.3f", low) + ", " + figure("%.3f", high) + "]";
}

// "threads ratio low high" per drawable count; empty when none is.
std::string ratio_rows(const ComparisonRecord& record, bool time)
{
    std::ostringstream rows;
    for (const ComparisonCount& c : record.thread_counts) {
        const ComparedMeasure& m = time ? c.time : c.speedup;
        if (has_interval(m.ratio, m.ci_low, m.ci_high))
            rows << c.threads << " " << figure("%.6f", m.ratio) << " " << figure("%.6f", m.ci_low) << " "
                 << figure("%.6f", m.ci_high) << "\n";
    }
    return rows.str();
}

std::string caption_line(const ComparisonRecord& record, const std::string& file)
{
    char settings[160];
    std::snprintf(settings, sizeof(settings),
                  "Bars: %g %% bootstrap intervals, each side's rounds resampled on their own (seed %llu); "
                  "dashed: no difference within +-%g %%.",
                  record.confidence * 100.0, static_cast<unsigned long long>(record.seed), record.threshold * 100.0);
    std::string caption =
        "caption = " + gnuplot_quoted(file + ": B = " + record.b.record + " against A = " + record.a.record) +
        " . \"\\n\" . " + gnuplot_quoted(settings);
    for (const ComparisonDifference& d : record.differences)
        caption += " . \"\\n\" . " + gnuplot_quoted("differs: " + d.what + ": A " + d.a + ", B " + d.b);
    return caption + "\n";
}

// One panel: y = 1, the band, and the block's points with their intervals when it has any.
void ratio_panel(std::ostream& s, const ComparisonRecord& record, const char* title, const char* label,
                 const std::string& block, bool drawn)
{
    s << "set title " << gnuplot_quoted(title) << "\nset ylabel " << gnuplot_quoted(label)
      << "\nset yrange [*:*]\nset key inside left top\n"
      << "plot 1 with lines dashtype 1 lc rgb 'gray20' title 'no change (y = 1)'";
    // A band is drawn only as wide as a threshold can be; a record edited to hold another is
    // drawn without one.
    if (record.threshold > 0.0 && record.threshold < 1.0)
        s << ", " << figure("%.6f", 1.0 - record.threshold) << " with lines dashtype 2 lc rgb 'gray50' title "
          << gnuplot_quoted("no difference within +-" + figure("%g", record.threshold * 100.0) + " %") << ", "
          << figure("%.6f", 1.0 + record.threshold) << " with lines dashtype 2 lc rgb 'gray50' title ''";
    if (drawn)
        s << ", " << block << " using 1:2:3:4 with yerrorbars pt 7 lc 1 title 'B / A'";
    s << "\n";
}

} // namespace

std::string format_comparison_summary(const ComparisonRecord& record, const std::string& file)
{
    std::ostringstream out;
    out << shown(file) << ": B = " << shown(record.b.record) << " against A = " << shown(record.a.record) << ", seed "
        << record.seed << "\n";
    for (const ComparisonDifference& d : record.differences)
        out << "  differs: " << shown(d.what) << ": A " << shown(d.a) << ", B " << shown(d.b) << "\n";
    out << "  threads   time B/A   95 % interval     speed-up B/A   95 % interval     verdict on time\n";
    for (const ComparisonCount& c : record.thread_counts)
        out << column(std::to_string(c.threads), 9) << column(figure("%.3f", c.time.ratio), 11)
            << column(interval_text(c.time.ci_low, c.time.ci_high), 17) << column(figure("%.3f", c.speedup.ratio), 15)
            << column(interval_text(c.speedup.ci_low, c.speedup.ci_high), 17) << "     " << shown(c.time.verdict)
            << "\n";
    return out.str();
}

bool has_drawable_ratios(const ComparisonRecord& record)
{
    return !ratio_rows(record, true).empty() || !ratio_rows(record, false).empty();
}

std::string comparison_gnuplot_script(const ComparisonRecord& record, const std::string& file, PictureFormat format)
{
    const std::string time = ratio_rows(record, true), speedup = ratio_rows(record, false);
    int max_threads = 1;
    for (const ComparisonCount& c : record.thread_counts)
        max_threads = std::max(max_threads, c.threads);
    std::ostringstream s;
    const int caption_lines = 2 + static_cast<int>(record.differences.size());
    s << terminal_line(format, 900, 900 + 18 * caption_lines);
    if (!time.empty())
        s << "$time1 << EOD\n" << time << "EOD\n";
    if (!speedup.empty())
        s << "$speedup1 << EOD\n" << speedup << "EOD\n";
    s << caption_line(record, file) << "set multiplot layout 2,1 title caption noenhanced font ',10'\n"
      << "set grid\nset key noenhanced box opaque font ',9'\nset xlabel 'threads'\nset lmargin 12\nset rmargin 4\n"
      << "set bars small\nset xtics (";
    for (std::size_t i = 0; i < record.thread_counts.size(); ++i)
        s << (i ? ", " : "") << record.thread_counts[i].threads;
    s << ")\nset xrange [0.5:" << max_threads + 0.5 << "]\n";
    ratio_panel(s, record, "Median time per call, B / A (below 1: B faster)", "time ratio B / A", "$time1",
                !time.empty());
    ratio_panel(s, record, "Speed-up over each side's own baseline, B / A (above 1: B scales better)",
                "speed-up ratio B / A", "$speedup1", !speedup.empty());
    s << "unset multiplot\n";
    return s.str();
}
