// The picture of a study of tile edges: per size, time against tile edge (one line per thread
// count, the fastest edge ringed, its equals boxed, dotted marks where a tile's working set fills
// each cache) beside speed-up against threads (one line per edge, with that edge's schedule
// bound dashed in its colour, with open squares).
#include "plot/scripts.h"
#include "record/figures.h"
#include "record/study_table.h"
#include "record/summary_figures.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <sstream>

namespace {

// The data blocks of a script and the names of those that have rows: a block left empty is
// neither written nor drawn. Names are numbered in the order they are made.
struct Blocks {
    std::string text;
    int made = 0;
};

// The block's name, or an empty string when it has no rows.
std::string add_block(Blocks& blocks, const std::string& stem, const std::string& rows)
{
    ++blocks.made;
    if (rows.empty())
        return "";
    std::string name = "$" + stem + std::to_string(blocks.made);
    blocks.text += name + " << EOD\n" + rows + "EOD\n";
    return name;
}

// One curve of a panel: its block, how it is drawn (after "plot " or ", "), and whether it has a
// row in the key.
struct Curve {
    std::string block, style;
    bool titled;
};

// "plot " and the curves that have rows; first leads when given, and stands alone when no
// curve has rows, so that the panel is drawn, empty, in its place.
std::string plot_line(const std::string& first, const std::vector<Curve>& curves)
{
    std::string line;
    for (const Curve& curve : curves)
        if (!curve.block.empty())
            line += (line.empty() ? "" : ", ") + curve.block + " " + curve.style;
    if (!first.empty())
        line = first + (line.empty() ? "" : ", " + line);
    return "plot " + line + "\n";
}

// A line through every point, and bars where a point has an interval: a figure from too few
// rounds for one is drawn all the same, alone.
void add_line_and_bars(std::vector<Curve>& curves, Blocks& blocks, const std::string& stem, const std::string& points,
                       const std::string& bars, const std::string& colour, const std::string& title)
{
    curves.push_back({add_block(blocks, stem, points),
                      "using 1:2 with linespoints pt 7 lc " + colour + " title " + gnuplot_quoted(title), true});
    curves.push_back({add_block(blocks, stem + "bars", bars),
                      "using 1:2:3:4 with yerrorbars pt 7 lc " + colour + " notitle", false});
}

// The times of the cell that a ranking's edge stands for (the reader holds the rankings' edges
// and the cells in one order): its sequential kernel, first, for threads 0, or its team; none
// when the record does not hold them.
const RecordConfiguration* cell_times(const RecordStudySize& size, std::size_t edge, int threads)
{
    if (edge >= size.cells.size() || size.cells[edge].configurations.empty())
        return nullptr;
    const std::vector<RecordConfiguration>& times = size.cells[edge].configurations;
    if (threads == 0)
        return &times.front();
    const auto team = std::find_if(times.begin() + 1, times.end(),
                                   [&](const RecordConfiguration& c) { return c.threads == threads; });
    return team == times.end() ? nullptr : &*team;
}

// The smallest and largest positive figures a panel on log axes draws.
struct Extent {
    double low = std::numeric_limits<double>::infinity(), high = 0.0;
    void hold(double value)
    {
        if (std::isfinite(value) && value > 0.0) {
            low = std::min(low, value);
            high = std::max(high, value);
        }
    }
};

// Time against edge: a line per thread count, then the fastest edges and their equals. A time
// has a bar only where its cell's interval reaches the record's confidence: records written
// before rankings said so carry the whole range of one to five calls there.
std::vector<Curve> time_curves(Blocks& blocks, const RecordStudySize& size, double confidence, Extent& drawn)
{
    std::vector<Curve> curves;
    std::ostringstream fastest, equal;
    for (std::size_t r = 0; r < size.rankings.size(); ++r) {
        std::ostringstream points, bars;
        for (std::size_t edge = 0; edge < size.rankings[r].edges.size(); ++edge) {
            const RecordEdge& e = size.rankings[r].edges[edge];
            if (!std::isfinite(e.median_s))
                continue;
            const std::string point = std::to_string(e.block) + " " + figure("%.9g", e.median_s);
            points << point << "\n";
            drawn.hold(e.median_s);
            const RecordConfiguration* cell = cell_times(size, edge, size.rankings[r].threads);
            if (has_interval(e.median_s, e.ci_low_s, e.ci_high_s) && cell && has_time_interval(*cell, confidence)) {
                bars << point << " " << figure("%.9g", e.ci_low_s) << " " << figure("%.9g", e.ci_high_s) << "\n";
                drawn.hold(e.ci_low_s);
                drawn.hold(e.ci_high_s);
            }
            if (e.fastest)
                fastest << point << "\n";
            else if (e.indistinguishable)
                equal << point << "\n";
        }
        const std::string colour = std::to_string(r + 1);
        add_line_and_bars(curves, blocks, "edgetime", points.str(), bars.str(), colour,
                          threads_named(size.rankings[r].threads));
    }
    curves.push_back({add_block(blocks, "fastest", fastest.str()),
                      "using 1:2 with points pt 6 ps 3 lc rgb 'black' title 'fastest edge'", true});
    curves.push_back({add_block(blocks, "equal", equal.str()),
                      "using 1:2 with points pt 4 ps 2.5 lc rgb 'gray40' title 'indistinguishable from it'", true});
    return curves;
}

// Dotted marks where the working set of a tile fills each cache, within the edges drawn, named
// at the foot of the panel: its top left is the key's.
void cache_marks(std::ostream& s, const RecordStudySize& size, double low_edge, double high_edge)
{
    for (const RecordCacheEdge& cache : size.cache_edges) {
        if (!std::isfinite(cache.edge) || cache.edge < low_edge || cache.edge > high_edge)
            continue;
        const std::string x = figure("%.6g", cache.edge);
        s << "set arrow from " << x << ", graph 0 to " << x << ", graph 1 nohead dashtype 3 lc rgb 'gray40'\n"
          << "set label " << gnuplot_quoted("L" + std::to_string(cache.level) + " full") << " at " << x
          << ", graph 0.03\n";
    }
}

// The rows of a panel's key: its titled curves that have rows.
int key_rows(const std::vector<Curve>& curves)
{
    return static_cast<int>(
        std::count_if(curves.begin(), curves.end(), [](const Curve& c) { return c.titled && !c.block.empty(); }));
}

// The time axis: the lines in the middle, below them a row for the cache marks' names, and
// above them room for the key, top left, which is opaque and would hide a point beneath it: a
// twentieth of the axis for each of its rows, which holds it with room to spare. On log axes
// gnuplot labels only the powers of ten, often one or none across a study's times: the tics are
// the 1-2-3-5-7 steps of each decade, or 1-2-5 over more than one, and a range that would hold
// fewer than two of them widens to the nearest steps around it. Over times six decades and more
// apart the powers of ten are labels enough, and gnuplot's own range serves.
std::string time_axis(const Extent& drawn, int rows)
{
    const char* const own = "set yrange [*:*]\n";
    const double smallest = std::numeric_limits<double>::min(); // below it the decades underflow
    if (!(drawn.high > 0.0) || !(drawn.low >= smallest) || !(drawn.high / drawn.low <= 1e6))
        return own;
    const double key = std::min(0.5, 0.05 * (rows + 1)), foot = 0.07; // shares of the axis
    // The lines take the rest; flat lines still get an axis half again as high as they are.
    const double whole = std::max(std::log(drawn.high / drawn.low), std::log(1.5)) / (1.0 - key - foot);
    double bottom = drawn.low * std::exp(-foot * whole), top = drawn.high * std::exp(key * whole);
    if (!(bottom >= smallest) || !std::isfinite(top))
        return own;
    const std::vector<double> steps =
        top / bottom < 10.0 ? std::vector<double>{1, 2, 3, 5, 7} : std::vector<double>{1, 2, 5};
    std::vector<double> marks; // ascending, from a decade wholly below the range to one above it
    const int first = static_cast<int>(std::floor(std::log10(bottom))) - 1;
    const int last = static_cast<int>(std::ceil(std::log10(top))) + 1;
    for (int decade = first; decade <= last; ++decade)
        for (double step : steps)
            marks.push_back(step * std::pow(10.0, decade));
    const auto inside = [&] {
        return std::count_if(marks.begin(), marks.end(), [&](double m) { return m >= bottom && m <= top; });
    };
    // Widened first on the side that moves least, and on the other only if that is not enough.
    const auto up = std::upper_bound(marks.begin(), marks.end(), bottom);
    const auto over = std::lower_bound(marks.begin(), marks.end(), top);
    const double below = up == marks.begin() ? bottom : *std::prev(up), above = over == marks.end() ? top : *over;
    for (int side = 0; side < 2 && inside() < 2; ++side) {
        if ((bottom / below <= above / top) == (side == 0))
            bottom = below;
        else
            top = above;
    }
    std::string tics;
    for (double m : marks)
        if (m >= bottom && m <= top)
            tics += (tics.empty() ? "" : ", ") + figure("%.3g", m);
    return "set yrange [" + figure("%.6g", bottom) + ":" + figure("%.6g", top) + "]\nset ytics (" + tics + ")\n";
}

void time_panel(std::ostream& s, Blocks& blocks, const RecordStudySize& size, double confidence)
{
    int low = 0, high = 0;
    std::string tics;
    for (const RecordCell& cell : size.cells) {
        low = low == 0 ? cell.block : std::min(low, cell.block);
        high = std::max(high, cell.block);
        tics += (tics.empty() ? "" : ", ") + std::to_string(cell.block);
    }
    Extent drawn;
    const std::vector<Curve> curves = time_curves(blocks, size, confidence, drawn);
    s << "set title " << gnuplot_quoted("n " + std::to_string(size.size) + ": median time per call against tile edge")
      << "\nset xlabel 'tile edge b'\nset ylabel 'seconds'\nset logscale xy\nset key inside left top\n"
      << "set xrange [" << figure("%.6g", low / 1.5) << ":" << figure("%.6g", high * 1.5) << "]\n"
      << time_axis(drawn, key_rows(curves)) << "set xtics (" << tics << ")\n";
    cache_marks(s, size, low / 1.5, high * 1.5);
    const bool any = std::any_of(curves.begin(), curves.end(), [](const Curve& c) { return !c.block.empty(); });
    s << plot_line(any ? "" : "1 with lines dashtype 2 lc rgb 'gray40' title 'no valid time'", curves)
      << "unset arrow\nunset label\nunset logscale\nset ytics autofreq\n";
}

// Speed-up against threads: a line per edge over its own sequential kernel, its bound dashed
// with open squares, so that in the key it never looks like the ideal, whatever the edge's colour.
void speedup_panel(std::ostream& s, Blocks& blocks, const RecordStudySize& size)
{
    std::vector<Curve> curves;
    int most = 1;
    double highest = 1.0; // of everything drawn: points, interval ends, bounds
    std::string tics = "1";
    for (std::size_t e = 0; e < size.cells.size(); ++e) {
        std::ostringstream points, bars, bound;
        for (const RecordSpeedup& p : size.cells[e].speedups) {
            most = std::max(most, p.threads);
            if (e == 0 && p.threads > 1)
                tics += ", " + std::to_string(p.threads);
            if (std::isfinite(p.speedup)) {
                points << p.threads << " " << figure("%.6f", p.speedup) << "\n";
                highest = std::max(highest, p.speedup);
            }
            if (has_interval(p.speedup, p.ci_low, p.ci_high)) {
                bars << p.threads << " " << figure("%.6f", p.speedup) << " " << figure("%.6f", p.ci_low) << " "
                     << figure("%.6f", p.ci_high) << "\n";
                highest = std::max({highest, p.ci_low, p.ci_high});
            }
            if (std::isfinite(p.schedule_bound)) {
                bound << p.threads << " " << figure("%.6f", p.schedule_bound) << "\n";
                highest = std::max(highest, p.schedule_bound);
            }
        }
        const std::string colour = std::to_string(e + 1), edge = "b " + std::to_string(size.cells[e].block);
        add_line_and_bars(curves, blocks, "edgespeedup", points.str(), bars.str(), colour, edge);
        curves.push_back({add_block(blocks, "edgebound", bound.str()),
                          "using 1:2 with linespoints dashtype 2 pt 4 ps 1.2 lc " + colour + " title " +
                              gnuplot_quoted(edge + ": schedule bound"),
                          true});
    }
    s << "set title "
      << gnuplot_quoted("n " + std::to_string(size.size) + ": speed-up over each edge's own sequential kernel")
      << "\nset xlabel 'threads'\nset ylabel 'speed-up'\nset key inside left top\n"
      // A quarter above the highest of the counts, the points, their intervals and the bounds:
      // nothing drawn is cut off, and the key, top left, has room above the lines.
      << "set xrange [0.5:" << most + 0.5
      << "]\nset yrange [0:" << figure("%.3g", axis_top(std::max(highest, static_cast<double>(most)), 1.25))
      << "]\nset xtics (" << tics << ")\n"
      << plot_line("x with lines dashtype 2 lc rgb 'gray40' title 'ideal'", curves);
}

std::string caption_line(const ScanPlot& study)
{
    const ScanRecord& r = study.record;
    std::ostringstream what;
    what << study.file << ": " << (r.machine.cpu_model.empty() ? "unknown CPU" : r.machine.cpu_model) << ", "
         << r.machine.physical_cores << " physical cores, " << r.parameters.kernel << " kernel, bind "
         << r.parameters.bind << ", " << r.rounds << " rounds" << (r.interrupted ? " (interrupted)" : "");
    return "caption = " + gnuplot_quoted(what.str()) + " . \"\\n\" . " +
           gnuplot_quoted("Bars: 95 % intervals (time: order statistics of the median; speed-up: paired bootstrap "
                          "over rounds); a point without one had fewer than 6 clean rounds.") +
           " . \"\\n\" . " +
           gnuplot_quoted(
               "Ringed: the fastest edge per thread count; boxed: edges a paired test cannot tell from it.") +
           " . \"\\n\" . " +
           gnuplot_quoted("Dotted: where a tile's working set (three b x b blocks and an n x b panel of floats) "
                          "fills each cache. Dashed with open squares: the best speed-up each edge's division of work "
                          "allows; dashed gray: ideal.") +
           "\n";
}

} // namespace

bool has_drawable_study(const ScanPlot& study)
{
    if (!study.record.study)
        return false;
    for (const RecordStudySize& size : study.record.study->per_size)
        for (const RecordEdgeRanking& ranking : size.rankings)
            for (const RecordEdge& e : ranking.edges)
                if (std::isfinite(e.median_s))
                    return true;
    return false;
}

std::string study_gnuplot_script(const ScanPlot& study, PictureFormat format)
{
    const std::vector<RecordStudySize>& sizes = study.record.study->per_size;
    const int rows = static_cast<int>(std::max<std::size_t>(sizes.size(), 1));
    Blocks blocks;
    std::ostringstream panels;
    for (const RecordStudySize& size : sizes) {
        time_panel(panels, blocks, size, study.record.parameters.confidence);
        speedup_panel(panels, blocks, size);
    }
    std::ostringstream s;
    s << terminal_line(format, 1500, 158 + 560 * rows) << blocks.text << caption_line(study) << "set multiplot layout "
      << rows << ",2 title caption noenhanced font ',10'\n"
      << "set grid\nset key noenhanced box opaque font ',9'\nset lmargin 12\nset rmargin 4\nset bars small\n"
      << panels.str() << "unset multiplot\n";
    return s.str();
}
