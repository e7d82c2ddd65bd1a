#include "scan/samples_file.h"

#include "common/platform_files.h"

#include <cerrno>
#include <cstring>

const char* const samples_header = "round,config,threads,team,seconds,valid";
const char* const study_samples_header = "size,block,round,config,threads,team,seconds,valid";

namespace {

void report_lost(SamplesFile& samples, int error_number)
{
    if (samples.complete)
        std::fprintf(stderr, "tilebench-scan: cannot write %s: %s; samples are missing from it\n", samples.path.c_str(),
                     std::strerror(error_number));
    samples.complete = false;
}

} // namespace

std::string format_sample(const Sample& sample, const Configuration& configuration)
{
    char line[160];
    std::snprintf(line, sizeof(line), "%d,%s,%d,%d,%.6f,%d", sample.round,
                  configuration.parallel ? "parallel" : "sequential", configuration.threads, sample.team,
                  sample.seconds, sample.valid ? 1 : 0);
    return line;
}

std::string format_study_sample(const Sample& sample, const Configuration& configuration)
{
    return std::to_string(configuration.size) + "," + std::to_string(configuration.block) + "," +
           format_sample(sample, configuration);
}

std::string open_samples_file(SamplesFile& samples, const std::string& path, const char* header)
{
    samples.path = path;
    ClaimProblem problem = ClaimProblem::none;
    samples.file = claim_file(path, header, problem);
    switch (problem) {
    case ClaimProblem::none:
        break;
    case ClaimProblem::cannot_open:
        return "cannot create " + path + ": " + std::strerror(errno);
    case ClaimProblem::busy:
        return path + " is being written by another scan; give this one another --output";
    case ClaimProblem::link:
        return path + " is a symbolic link; a scan writes through none";
    case ClaimProblem::not_regular:
        return path + " is not a regular file";
    case ClaimProblem::not_ours:
        return path + " is not a scan's samples file (its first line is not the samples header); it is left as it "
                      "is";
    }
    if (std::fprintf(samples.file, "%s\n", header) < 0 || std::fflush(samples.file) != 0)
        report_lost(samples, errno);
    return "";
}

void append_sample(SamplesFile& samples, const Sample& sample, const Configuration& configuration)
{
    append_line(samples, format_sample(sample, configuration));
}

void append_line(SamplesFile& samples, const std::string& line)
{
    if (!samples.file)
        return;
    if (std::fprintf(samples.file, "%s\n", line.c_str()) < 0 || std::fflush(samples.file) != 0)
        report_lost(samples, errno);
}

bool close_samples_file(SamplesFile& samples)
{
    if (!samples.file)
        return samples.complete;
    if (std::fclose(samples.file) != 0)
        report_lost(samples, errno);
    samples.file = nullptr;
    return samples.complete;
}
