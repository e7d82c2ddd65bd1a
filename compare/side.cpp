#include "compare/side.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

const std::string record_suffix = ".json";

bool read_whole(const std::string& path, std::string& text, int& error)
{
    errno = 0;
    std::ifstream input(path, std::ios::binary);
    if (!input) {
        error = errno != 0 ? errno : ENOENT;
        return false;
    }
    std::ostringstream bytes;
    bytes << input.rdbuf();
    text = bytes.str();
    return true;
}

bool holds_configuration(const ScanRecord& record, const Configuration& configuration)
{
    const std::string kind = configuration.parallel ? "parallel" : "sequential";
    return std::any_of(record.configurations.begin(), record.configurations.end(), [&](const RecordConfiguration& c) {
        return c.kind == kind && c.threads == configuration.threads;
    });
}

} // namespace

void side_paths(const std::string& argument, std::string& record_path, std::string& samples_path)
{
    const bool has_suffix =
        argument.size() > record_suffix.size() &&
        argument.compare(argument.size() - record_suffix.size(), record_suffix.size(), record_suffix) == 0;
    const std::string prefix = has_suffix ? argument.substr(0, argument.size() - record_suffix.size()) : argument;
    record_path = prefix + record_suffix;
    samples_path = prefix + ".csv";
}

bool load_side(const std::string& argument, Side& side, std::string& problem)
{
    side_paths(argument, side.record_path, side.samples_path);
    std::string text;
    int error = 0;
    if (!read_whole(side.record_path, text, error)) {
        problem = "cannot read " + side.record_path + ": " + std::strerror(error);
        return false;
    }
    if (!parse_scan_record(text, side.record, problem)) {
        problem = side.record_path + ": " + problem;
        return false;
    }
    if (!read_whole(side.samples_path, text, error)) {
        problem = "no samples file beside " + side.record_path + ": " + side.samples_path + ": " + std::strerror(error);
        return false;
    }
    if (!read_samples(text, side.samples, problem)) {
        problem = side.samples_path + ": " + problem;
        return false;
    }
    for (const RecordedSample& sample : side.samples)
        if (!holds_configuration(side.record, sample.configuration)) {
            problem = side.samples_path + ": round " + std::to_string(sample.round) + " has a " +
                      (sample.configuration.parallel ? "parallel" : "sequential") + " call on " +
                      std::to_string(sample.configuration.threads) + " threads, which " + side.record_path +
                      " does not hold";
            return false;
        }
    return true;
}
