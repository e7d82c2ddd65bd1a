#include "scan/progress.h"

#include "common/text.h"

#include <string>

void show_progress(ProgressLine& line, const ScanProgress& progress)
{
    const auto now = std::chrono::steady_clock::now();
    if (!line.terminal && line.shown && std::chrono::duration<double>(now - line.last_line).count() < line.every_s)
        return;
    const std::string short_of = joined(progress.short_of_precision, ",");
    const char* state = !progress.summarised ? "first round"
                        : short_of.empty()   ? "every speed-up within precision"
                                             : "short of precision at threads ";
    std::fprintf(line.stream, "%sround %d/%d, %.0f s, %s%s", line.terminal ? "\r\033[K" : "", progress.round,
                 line.max_runs, progress.elapsed_s, state, short_of.c_str());
    if (!line.terminal)
        std::fputc('\n', line.stream);
    std::fflush(line.stream);
    line.last_line = now;
    line.shown = true;
}

void end_progress(ProgressLine& line)
{
    if (line.terminal && line.shown)
        std::fputc('\n', line.stream);
    line.shown = false;
}
