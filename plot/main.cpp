// tilebench-plot: the summary table and the picture of results files (out.csv from tilebench)
// or scan records (PREFIX.json from tilebench-scan).
//   tilebench-plot [--output FILE] [--script FILE] [--last] [--timeout SECONDS] [FILE...]
#include "common/build_info.h"
#include "common/exit_status.h"
#include "common/platform_files.h"
#include "common/platform_signals.h"
#include "plot/plot.h"
#include "plot/shown.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>

namespace {

// Every message names files and may quote them: shown, never sent to the terminal raw.
int fail(const std::string& message, int status = exit_failure)
{
    std::cerr << "tilebench-plot: " << shown(message) << "\n";
    return status;
}

// --script FILE, a name the user gave: a regular file there is replaced whole, as the picture is;
// a symbolic link (which the user may take for the file it points to), a FIFO, a device or a
// directory is left as it is. Empty, or one line saying why the script was not written.
std::string write_script(const std::string& path, const std::string& text)
{
    if (replaceable(path) == ClaimProblem::link)
        return "cannot write " + path + ": it is a symbolic link, and nothing is written through one";
    const std::string refused = unreplaceable_output(path);
    if (!refused.empty())
        return "cannot write " + path + ": " + refused;
    if (!write_file_atomically(path, text))
        return "cannot write " + path + ": " + std::strerror(errno);
    return "";
}

bool read_whole(const std::string& path, std::string& text, std::string& problem)
{
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        problem = "cannot read " + path + ": it is a directory";
        return false;
    }
    if (read_whole_file(path, text))
        return true;
    problem = "cannot read " + path + ": " + std::strerror(errno);
    return false;
}

// What the files hold: results runs, scan records, or one comparison, never mixed.
struct Inputs {
    std::vector<NamedRun> runs;
    std::vector<ScanPlot> scans;
    std::vector<std::string> comparison_files;
    std::vector<ComparisonRecord> comparisons;
};

// One file into inputs; empty, or one line saying what could not be read.
std::string read_input(const std::string& file, bool last_only, bool named, Inputs& inputs)
{
    std::string text, problem;
    if (!read_whole(file, text, problem))
        return problem;
    if (looks_like_comparison_record(text)) {
        ComparisonRecord record;
        if (!parse_comparison_record(text, record, problem))
            return file + ": " + problem;
        inputs.comparison_files.push_back(file);
        inputs.comparisons.push_back(record);
        return "";
    }
    if (looks_like_scan_record(text)) {
        ScanPlot scan;
        if (!read_scan_record(text, file, scan, problem))
            return problem;
        inputs.scans.push_back(scan);
        return "";
    }
    std::istringstream input(text);
    const std::vector<FileRow> rows = read_results(input, shown(file), std::cerr);
    if (rows.empty())
        return file + " holds no result rows";
    std::vector<Run> file_runs = split_runs(rows);
    if (last_only)
        file_runs.erase(file_runs.begin(), file_runs.end() - 1);
    for (NamedRun& run : name_runs(file_runs, named ? file + " " : ""))
        inputs.runs.push_back(run);
    return "";
}

std::string read_inputs(const std::vector<std::string>& files, bool last_only, Inputs& inputs)
{
    for (const std::string& file : files) {
        std::string problem = read_input(file, last_only, files.size() > 1, inputs);
        if (!problem.empty())
            return problem;
    }
    if (!inputs.comparisons.empty() && files.size() > 1)
        return "a comparison record is drawn on its own: give it alone";
    if (!inputs.runs.empty() && !inputs.scans.empty())
        return "results files and scan records cannot share one picture: give one kind at a time";
    return "";
}

// Prints the summary and makes the script; empty, or one line saying why there is nothing to draw.
std::string summary_and_script(const Inputs& inputs, PictureFormat format, std::string& script)
{
    if (!inputs.comparisons.empty()) {
        const ComparisonRecord& record = inputs.comparisons.front();
        std::cout << format_comparison_summary(record, inputs.comparison_files.front());
        if (!has_drawable_ratios(record))
            return "nothing to draw: no thread count of the comparison has a finite ratio";
        script = comparison_gnuplot_script(record, inputs.comparison_files.front(), format);
        return "";
    }
    const std::vector<ScanPlot>& scans = inputs.scans;
    const bool study = std::any_of(scans.begin(), scans.end(), [](const ScanPlot& scan) { return scan.record.study; });
    if (study && scans.size() > 1)
        return "a study record is drawn alone: give one file at a time";
    if (study) {
        std::cout << format_scan_summary(scans);
        if (!has_drawable_study(scans.front()))
            return "nothing to draw: no edge of the study holds a finite median time";
        script = study_gnuplot_script(scans.front(), format);
        return "";
    }
    if (!inputs.scans.empty()) {
        std::cout << format_scan_summary(inputs.scans);
        if (!has_drawable_times(inputs.scans))
            return "nothing to draw: no scan record holds a finite median time";
        script = scan_gnuplot_script(inputs.scans, format);
        return "";
    }
    std::cout << format_summary(inputs.runs);
    bool any = false;
    for (const NamedRun& run : inputs.runs)
        any = any || has_drawable_points(run.rows);
    if (!any)
        return "nothing to draw: no row has a finite speed-up";
    script = gnuplot_script(inputs.runs, format);
    return "";
}

// What the command line asks for.
struct PlotOptions {
    std::vector<std::string> files;
    std::string output = "speedup.png", script_file;
    bool last_only = false;
    int timeout_seconds = 60;
    PictureFormat format = PictureFormat::png;
};

// Reads the command line into o; the status to end with (help, version, a refusal), or none
// to go on.
std::optional<int> read_arguments(int argc, char** argv, PlotOptions& o)
{
    CLI::App app{"Summary table and picture of tilebench results (out.csv), tilebench-scan records (PREFIX.json) "
                 "or a tilebench-compare record (--output), told apart by their content.",
                 "tilebench-plot"};
    app.set_version_flag("--version", version_line("tilebench-plot"));
    app.add_option("FILE", o.files,
                   "results files or scan records, all of one kind, or one comparison record (default: out.csv)");
    app.add_option("--output", o.output, "picture to write: .png, .svg or .pdf")->capture_default_str();
    app.add_option("--script", o.script_file, "also write the gnuplot script that draws the picture");
    app.add_flag("--last", o.last_only, "out.csv: only the last run of each file");
    app.add_option("--timeout", o.timeout_seconds, "seconds gnuplot may take to draw before it is stopped")
        ->check(CLI::Range(1, 86400))
        ->capture_default_str();
    app.footer("Exit status: 0 drawn; 1 nothing to read or draw, the picture could not be written, or another "
               "failure (one line); 2 bad arguments; 129, 130, 143 stopped by SIGHUP, SIGINT, SIGTERM.");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return exit_ok;
    } catch (const CLI::CallForVersion& e) {
        std::cout << e.what() << "\n";
        return exit_ok;
    } catch (const CLI::ParseError& e) {
        std::cerr << "tilebench-plot: " << shown(e.what()) << "\n" << app.help();
        return exit_bad_input;
    }
    if (o.files.empty())
        o.files.push_back("out.csv");
    if (!picture_format(o.output, o.format))
        return fail("--output " + o.output + ": the name must end in .png, .svg or .pdf", exit_bad_input);
    if (!o.script_file.empty() && shown(o.output) != o.output)
        return fail("--output " + o.output + ": a name with control characters cannot be written into --script",
                    exit_bad_input);
    return std::nullopt;
}

// Writes the script when asked, then the picture; the status to end with.
int write_and_draw(const PlotOptions& o, const std::string& script)
{
    if (!o.script_file.empty()) {
        const std::string not_written = write_script(o.script_file, drawing_into(script, o.output));
        if (!not_written.empty())
            return fail(not_written);
    }
    const std::string drawing = draw_picture(o.output, o.format, script, o.timeout_seconds);
    if (!drawing.empty()) {
        fail(drawing);
        const int signal = remembered_stop_signal();
        return signal != 0 ? 128 + signal : exit_failure;
    }
    std::cout << "\npicture: " << shown(o.output) << "\n";
    return exit_ok;
}

} // namespace

static int run(int argc, char** argv)
{
    // --- arguments ---
    PlotOptions options;
    if (const std::optional<int> status = read_arguments(argc, argv, options))
        return *status;
    remember_stop_signals();

    // --- reading ---
    Inputs inputs;
    const std::string problem = read_inputs(options.files, options.last_only, inputs);
    if (!problem.empty())
        return fail(problem);

    // --- summary and picture ---
    std::string script;
    const std::string nothing = summary_and_script(inputs, options.format, script);
    if (!nothing.empty())
        return fail(nothing);
    std::cout << std::flush;
    return write_and_draw(options, script);
}

int main(int argc, char** argv)
{
    return guarded_main("tilebench-plot", run, argc, argv);
}
