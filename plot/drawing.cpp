#include "plot/drawing.h"

#include "common/parse.h"
#include "common/platform_files.h"
#include "common/platform_process.h"
#include "common/platform_signals.h"
#include "record/figures.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// gnuplot's first complaint, one line and bounded: it may quote whole script lines.
std::string first_complaint(const std::string& text)
{
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const std::size_t start = line.find_first_not_of(" \t^");
        if (start != std::string::npos && line.find("warning") == std::string::npos)
            return quoted_token(line.substr(start), 160);
    }
    return "no message";
}

// A new file of the user's alone, closed: only its name is wanted, for gnuplot's streams and
// script. Empty (with errno set) when it cannot be made.
std::string scratch_file(const std::string& pattern_prefix)
{
    std::string name;
    std::FILE* file = create_unique_file(pattern_prefix, NewFileAccess::owner_only, name);
    if (!file)
        return "";
    std::fclose(file);
    return name;
}

// Removes the temporary files however the drawing ends.
struct Leftovers {
    std::vector<std::string> paths;
    ~Leftovers()
    {
        for (const std::string& path : paths)
            if (!path.empty())
                std::remove(path.c_str());
    }
};

} // namespace

bool is_whole_picture(const std::string& bytes, PictureFormat format)
{
    switch (format) {
    case PictureFormat::png:
        return bytes.size() > 20 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 &&
               bytes.compare(bytes.size() - 8, 8, "IEND\xae\x42\x60\x82") == 0;
    case PictureFormat::svg: {
        const std::size_t end = bytes.rfind("</svg>");
        return end != std::string::npos && bytes.find_first_not_of(" \r\n", end + 6) == std::string::npos;
    }
    case PictureFormat::pdf: {
        const std::size_t end = bytes.rfind("%%EOF");
        return bytes.compare(0, 5, "%PDF-") == 0 && end != std::string::npos &&
               bytes.find_first_not_of(" \r\n", end + 5) == std::string::npos;
    }
    }
    return false;
}

namespace {

std::string stopped(int signal, const std::string& output)
{
    return std::string("stopped by ") + stop_signal_name(signal) + "; " + output + " is left as it was";
}

std::string wait_problem(const ProgramEnd& end, const std::string& output, double timeout_seconds,
                         const std::string& complaints)
{
    if (end.stopped_by != 0)
        return stopped(end.stopped_by, output);
    if (end.timed_out)
        return "gnuplot did not finish within " + figure("%g", timeout_seconds) + " s and was stopped; " + output +
               " is left as it was";
    if (end.status != 0)
        return "gnuplot failed (status " + std::to_string(end.status) + "): " + first_complaint(complaints);
    return "";
}

} // namespace

std::string draw_picture(const std::string& output, PictureFormat format, const std::string& script,
                         double timeout_seconds)
{
    std::error_code ignored;
    if (std::filesystem::is_directory(output, ignored))
        return "cannot write " + output + ": it is a directory";
    const std::string refused = unreplaceable_output(output);
    if (!refused.empty())
        return "cannot write " + output + ": " + refused;
    // The temporary picture lives beside the output, so that the last step is a rename within
    // one file system, and so that an output that cannot be written is known before drawing.
    // gnuplot writes it on its standard output: no name from the command line or a file enters
    // the script.
    const std::filesystem::path target(output);
    const std::string beside = (target.parent_path() / ("." + target.filename().string() + ".part-")).string();
    Leftovers leftovers;
    const std::string picture = scratch_file(beside);
    if (picture.empty())
        return "cannot write " + output + ": " + std::strerror(errno);
    leftovers.paths.push_back(picture);

    const std::string gnuplot = find_on_path("gnuplot");
    if (gnuplot.empty())
        return "gnuplot is not installed: no gnuplot on PATH (Debian: apt-get install gnuplot-nox)";
    // Absolute, so that gnuplot never takes the script's name for an option.
    const std::string temporary =
        std::filesystem::absolute(std::filesystem::temp_directory_path(ignored) / "tilebench-plot-", ignored).string();
    const std::string script_file = scratch_file(temporary);
    leftovers.paths.push_back(script_file);
    const std::string error_file = scratch_file(temporary);
    leftovers.paths.push_back(error_file);
    if (script_file.empty() || error_file.empty())
        return std::string("cannot create a temporary file: ") + std::strerror(errno);
    {
        std::ofstream written(script_file, std::ios::binary);
        written << script;
        if (!written.flush())
            return "cannot write the gnuplot script to " + script_file;
    }
    const ProgramEnd end =
        run_bounded_program({gnuplot, script_file}, picture, error_file, timeout_seconds, remembered_stop_signal);
    std::string problem = wait_problem(end, output, timeout_seconds, read_text_file(error_file.c_str()));
    if (!problem.empty())
        return problem;
    if (!is_whole_picture(read_text_file(picture.c_str()), format))
        return "the picture came out incomplete (is the disk full?); " + output + " is left as it was";
    // It was made private to its owner; a picture is as readable as any file the user writes.
    std::filesystem::permissions(picture,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_read | std::filesystem::perms::others_read,
                                 ignored);
    if (remembered_stop_signal() != 0)
        return stopped(remembered_stop_signal(), output);
    if (std::rename(picture.c_str(), output.c_str()) != 0)
        return "cannot write " + output + ": " + std::strerror(errno);
    leftovers.paths.front().clear(); // renamed: nothing left to remove
    return "";
}
