#include "scan/samples_reader.h"

#include "common/parse.h"
#include "scan/samples_file.h"

#include <array>
#include <cmath>
#include <sstream>

namespace {

std::vector<std::string> split_fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, ','))
        fields.push_back(field);
    if (!line.empty() && line.back() == ',')
        fields.emplace_back();
    return fields;
}

// The columns the reader needs, in the order of the header the scan writes.
constexpr std::array<const char*, 6> needed = {"round", "config", "threads", "team", "seconds", "valid"};
using Columns = std::array<std::size_t, needed.size()>;

bool find_columns(const std::string& header, Columns& columns)
{
    const std::vector<std::string> names = split_fields(header);
    for (std::size_t k = 0; k < needed.size(); ++k) {
        columns[k] = names.size();
        for (std::size_t c = 0; c < names.size(); ++c)
            if (names[c] == needed[k])
                columns[k] = c;
        if (columns[k] == names.size())
            return false;
    }
    return true;
}

bool parse_fields(const std::vector<std::string>& fields, const Columns& columns, RecordedSample& sample)
{
    for (const std::size_t c : columns)
        if (c >= fields.size())
            return false;
    const std::string& config = fields[columns[1]];
    const std::string& valid = fields[columns[5]];
    int threads = 0;
    double seconds = 0.0;
    if (parse_int32(fields[columns[0]], sample.round) != ParseStatus::ok || sample.round < 1 ||
        (config != "sequential" && config != "parallel") ||
        parse_int32(fields[columns[2]], threads) != ParseStatus::ok || threads < 1 ||
        parse_int32(fields[columns[3]], sample.team) != ParseStatus::ok || sample.team < 1 ||
        !parse_figure(fields[columns[4]], seconds) || !std::isfinite(seconds) || seconds < 0.0 ||
        (valid != "0" && valid != "1"))
        return false;
    sample.configuration.parallel = config == "parallel";
    sample.configuration.threads = threads;
    sample.seconds = seconds;
    sample.valid = valid == "1";
    return true;
}

} // namespace

bool read_samples(const std::string& text, std::vector<RecordedSample>& samples, std::string& problem)
{
    samples.clear();
    std::istringstream in(text);
    std::string line;
    Columns columns{};
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (number == 1) {
            if (find_columns(line, columns))
                continue;
            problem = std::string("line 1 is not the samples header \"") + samples_header + "\"";
            return false;
        }
        RecordedSample sample;
        if (!parse_fields(split_fields(line), columns, sample)) {
            problem = "line " + std::to_string(number) + " is not a sample: \"" + quoted_token(line, 60) + "\"";
            return false;
        }
        samples.push_back(sample);
    }
    if (text.empty()) {
        problem = "it is empty";
        return false;
    }
    return true;
}
