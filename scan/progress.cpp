#include "scan/progress.h"

#include "common/text.h"

#include <string>

namespace {

// Whether a plain line is due: on a terminal always, elsewhere once every few seconds.
bool due(const ProgressLine& line, std::chrono::steady_clock::time_point now)
{
    return line.terminal || !line.shown || std::chrono::duration<double>(now - line.last_line).count() >= line.every_s;
}

void emit(ProgressLine& line, const std::string& text, std::chrono::steady_clock::time_point now)
{
    std::fprintf(line.stream, "%s%s", line.terminal ? "\r\033[K" : "", text.c_str());
    if (!line.terminal)
        std::fputc('\n', line.stream);
    std::fflush(line.stream);
    line.last_line = now;
    line.shown = true;
}

std::string whole_seconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.0f s", seconds);
    return text;
}

std::string cell_of(const Configuration& configuration)
{
    return "b " + std::to_string(configuration.block) + " " +
           (configuration.parallel ? "t " + std::to_string(configuration.threads) : std::string("seq"));
}

} // namespace

void show_progress(ProgressLine& line, const ScanProgress& progress)
{
    const auto now = std::chrono::steady_clock::now();
    if (!due(line, now))
        return;
    const std::string short_of = joined(progress.short_of_precision, ",");
    const char* state = !progress.summarised ? "first round"
                        : short_of.empty()   ? "every speed-up within precision"
                                             : "short of precision at threads ";
    emit(line,
         "round " + std::to_string(progress.round) + "/" + std::to_string(line.max_runs) + ", " +
             whole_seconds(progress.elapsed_s) + ", " + state + short_of,
         now);
}

void show_study_progress(ProgressLine& line, const ScanProgress& progress, std::size_t size_number, std::size_t sizes)
{
    const auto now = std::chrono::steady_clock::now();
    if (!due(line, now))
        return;
    // A study has many cells: name the first few still short, and count the rest.
    constexpr std::size_t named = 3;
    std::string short_of;
    for (std::size_t i = 0; i < progress.short_configurations.size() && i < named; ++i)
        short_of += (i > 0 ? ", " : "") + cell_of(progress.short_configurations[i]);
    if (progress.short_configurations.size() > named)
        short_of += " and " + std::to_string(progress.short_configurations.size() - named) + " more";
    const std::string state = !progress.summarised ? "first round"
                              : short_of.empty()   ? "every speed-up within precision"
                                                   : "short of precision at " + short_of;
    emit(line,
         "n " + std::to_string(progress.current.size) + " (size " + std::to_string(size_number) + " of " +
             std::to_string(sizes) + "), round " + std::to_string(progress.round) + "/" +
             std::to_string(line.max_runs) + ", cell " + cell_of(progress.current) + ", " +
             whole_seconds(progress.elapsed_s) + ", " + state,
         now);
}

void end_progress(ProgressLine& line)
{
    if (line.terminal && line.shown)
        std::fputc('\n', line.stream);
    line.shown = false;
}
