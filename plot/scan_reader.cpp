#include "plot/scan_reader.h"

#include <nlohmann/json.hpp>

#include <limits>
#include <stdexcept>

namespace {

using json = nlohmann::json;

// The record writes a figure that is not a number as null.
double figure(const json& object, const char* key)
{
    const auto found = object.find(key);
    if (found == object.end())
        throw std::runtime_error(std::string("no '") + key + "'");
    if (found->is_null())
        return std::numeric_limits<double>::quiet_NaN();
    if (!found->is_number())
        throw std::runtime_error(std::string("'") + key + "' is not a number");
    return found->get<double>();
}

int whole(const json& object, const char* key)
{
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number_integer())
        throw std::runtime_error(std::string("'") + key + "' is missing or not a whole number");
    const auto value = found->get<long long>();
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        throw std::runtime_error(std::string("'") + key + "' is out of range");
    return static_cast<int>(value);
}

// A true/false field; false when missing or of another kind.
bool flag(const json& object, const char* key)
{
    const auto found = object.find(key);
    return found != object.end() && found->is_boolean() && found->get<bool>();
}

std::string text_or_empty(const json& object, const char* key)
{
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

const json& member(const json& object, const char* key, json::value_t type)
{
    const auto found = object.find(key);
    if (found == object.end() || found->type() != type)
        throw std::runtime_error(std::string("'") + key + "' is missing or of the wrong kind");
    return *found;
}

void read_into(const json& record, ScanPlot& scan)
{
    const json& parameters = member(record, "parameters", json::value_t::object);
    scan.size = whole(parameters, "size");
    scan.block = whole(parameters, "block");
    scan.kernel = text_or_empty(parameters, "kernel");
    scan.bind = text_or_empty(parameters, "bind");
    scan.rounds = whole(record, "rounds");
    scan.interrupted = flag(record, "interrupted");
    const auto machine = record.find("machine");
    if (machine != record.end() && machine->is_object()) {
        scan.cpu_model = text_or_empty(*machine, "cpu_model");
        const auto cores = machine->find("physical_cores");
        scan.physical_cores = cores != machine->end() && cores->is_number_integer() ? cores->get<int>() : 0;
    }

    const json& configurations = member(record, "configurations", json::value_t::array);
    const json& speedups = member(record, "speedup", json::value_t::array);
    if (configurations.empty() || configurations.size() != speedups.size() + 1)
        throw std::runtime_error("'configurations' must hold the baseline and one entry per 'speedup'");
    const json& baseline = configurations[0];
    scan.baseline_s = figure(baseline, "median_s");
    scan.baseline_ci_low_s = figure(baseline, "ci_low_s");
    scan.baseline_ci_high_s = figure(baseline, "ci_high_s");
    scan.baseline_runs = whole(baseline, "runs");
    for (std::size_t i = 0; i < speedups.size(); ++i) {
        const json& c = configurations[i + 1];
        const json& s = speedups[i];
        ScanPoint p;
        p.threads = whole(s, "threads");
        if (whole(c, "threads") != p.threads)
            throw std::runtime_error("configuration " + std::to_string(i + 1) +
                                     " and its speed-up disagree on threads");
        p.runs = whole(c, "runs");
        const auto teams = c.find("teams");
        if (teams != c.end() && teams->is_array())
            for (const json& team : *teams)
                if (team.is_number_integer())
                    p.teams.push_back(team.get<int>());
        p.median_s = figure(c, "median_s");
        p.ci_low_s = figure(c, "ci_low_s");
        p.ci_high_s = figure(c, "ci_high_s");
        p.speedup = figure(s, "speedup");
        p.ci_low = figure(s, "ci_low");
        p.ci_high = figure(s, "ci_high");
        p.efficiency = figure(s, "efficiency");
        p.efficiency_ci_low = figure(s, "efficiency_ci_low");
        p.efficiency_ci_high = figure(s, "efficiency_ci_high");
        p.bound = figure(s, "tile_bound");
        p.precise = flag(s, "precision_reached");
        scan.points.push_back(p);
    }
    const auto warnings = record.find("warnings");
    if (warnings != record.end() && warnings->is_array())
        for (const json& w : *warnings)
            if (w.is_object())
                scan.warnings.push_back(text_or_empty(w, "kind") + ": " + text_or_empty(w, "message"));
}

} // namespace

bool looks_like_scan_record(const std::string& text)
{
    std::size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n'))
        ++at;
    return at < text.size() && text[at] == '{';
}

bool read_scan_record(const std::string& text, const std::string& file_name, ScanPlot& scan, std::string& problem)
{
    scan = ScanPlot();
    scan.file = file_name;
    const json record = json::parse(text, nullptr, false);
    if (record.is_discarded() || !record.is_object()) {
        problem = file_name + ": damaged scan record: not a complete JSON object";
        return false;
    }
    try {
        read_into(record, scan);
    } catch (const std::exception& e) {
        problem = file_name + ": damaged scan record: " + e.what();
        return false;
    }
    return true;
}
