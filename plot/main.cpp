// tilebench-plot: the summary table and the picture of results files (out.csv from tilebench)
// or scan records (PREFIX.json from tilebench-scan).
//   tilebench-plot [--output FILE] [--script FILE] [--last] [FILE...]
#include "common/build_info.h"
#include "common/exit_status.h"
#include "plot/plot.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

int fail(const std::string& message)
{
    std::cerr << "tilebench-plot: " << message << "\n";
    return exit_failure;
}

bool read_whole(const std::string& path, std::string& text, std::string& problem)
{
    std::ifstream input(path, std::ios::binary);
    if (!input) {
        problem = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream bytes;
    bytes << input.rdbuf();
    text = bytes.str();
    return true;
}

} // namespace

static int run(int argc, char** argv)
{
    // --- arguments ---
    std::vector<std::string> files;
    std::string output = "speedup.png", script_file;
    bool last_only = false;
    CLI::App app{"Summary table and picture of tilebench results (out.csv) or tilebench-scan records (PREFIX.json), "
                 "told apart by their content.",
                 "tilebench-plot"};
    app.set_version_flag("--version", version_line("tilebench-plot"));
    app.add_option("FILE", files, "results files or scan records, all of one kind (default: out.csv)");
    app.add_option("--output", output, "picture to write: .png, .svg or .pdf")->capture_default_str();
    app.add_option("--script", script_file, "also write the gnuplot script that draws the picture");
    app.add_flag("--last", last_only, "out.csv: only the last run of each file");
    app.footer("Exit status: 0 drawn; 1 nothing to read or draw, or the picture could not be written; 2 bad "
               "arguments.");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return exit_ok;
    } catch (const CLI::CallForVersion& e) {
        std::cout << e.what() << "\n";
        return exit_ok;
    } catch (const CLI::ParseError& e) {
        std::cerr << "tilebench-plot: " << e.what() << "\n" << app.help();
        return exit_bad_input;
    }
    if (files.empty())
        files.push_back("out.csv");
    PictureFormat format = PictureFormat::png;
    if (!picture_format(output, format)) {
        std::cerr << "tilebench-plot: --output " << output << ": the name must end in .png, .svg or .pdf\n";
        return exit_bad_input;
    }

    // --- reading ---
    std::vector<NamedRun> runs;
    std::vector<ScanPlot> scans;
    for (const std::string& file : files) {
        std::string text, problem;
        if (!read_whole(file, text, problem))
            return fail(problem);
        if (looks_like_scan_record(text)) {
            ScanPlot scan;
            if (!read_scan_record(text, file, scan, problem))
                return fail(problem);
            scans.push_back(scan);
            continue;
        }
        std::istringstream input(text);
        const std::vector<FileRow> rows = read_results(input, file, std::cerr);
        if (rows.empty())
            return fail(file + " holds no result rows");
        std::vector<Run> file_runs = split_runs(rows);
        if (last_only)
            file_runs.erase(file_runs.begin(), file_runs.end() - 1);
        for (NamedRun& run : name_runs(file_runs, files.size() > 1 ? file + " " : ""))
            runs.push_back(run);
    }
    if (!runs.empty() && !scans.empty())
        return fail("results files and scan records cannot share one picture: give one kind at a time");

    // --- summary and picture ---
    std::function<std::string(const std::string&)> script_for;
    if (!scans.empty()) {
        std::cout << format_scan_summary(scans);
        script_for = [&](const std::string& file) { return scan_gnuplot_script(scans, file, format); };
    } else {
        std::cout << format_summary(runs);
        bool any = false;
        for (const NamedRun& run : runs)
            any = any || has_drawable_points(run.rows);
        if (!any)
            return fail("nothing to draw: no row has a finite speed-up");
        script_for = [&](const std::string& file) { return gnuplot_script(runs, file, format); };
    }
    std::cout << std::flush;
    if (!script_file.empty()) {
        std::ofstream script(script_file, std::ios::binary);
        script << script_for(output);
        if (!script.flush())
            return fail("cannot write " + script_file + ": " + std::strerror(errno));
    }
    const std::string problem = draw_picture(output, format, script_for);
    if (!problem.empty())
        return fail(problem);
    std::cout << "\npicture: " << output << "\n";
    return exit_ok;
}

int main(int argc, char** argv)
{
    return guarded_main("tilebench-plot", run, argc, argv);
}
