// The plot tool's gnuplot scripts and tables, built from records and files whose every text and
// figure is chosen by the input: each script must parse to the tool's own commands only, and
// each table must reach the terminal without a control character.
#include "plot_script.h"

#include "fuzz_check.h"
#include "gnuplot_grammar.h"
#include "plot/plot.h"

#include <cstdint>
#include <cstring>

namespace {

struct Decoded {
    std::vector<std::string> texts;
    std::vector<std::pair<int, double>> points;
};

// Each text is one length byte and that many bytes; what follows is points of 12 bytes.
Decoded decode(const std::string& input)
{
    Decoded d;
    std::size_t at = 0;
    while (d.texts.size() < text_count && at < input.size()) {
        const std::size_t length = static_cast<unsigned char>(input[at++]);
        d.texts.push_back(input.substr(at, length));
        at += std::min(length, input.size() - at);
    }
    d.texts.resize(text_count);
    for (; at + 12 <= input.size(); at += 12) {
        std::pair<int, double> point;
        std::memcpy(&point.first, input.data() + at, 4);
        std::memcpy(&point.second, input.data() + at + 4, 8);
        d.points.push_back(point);
    }
    return d;
}

// Every figure of a configuration and its speed-up is the point's value.
void add_point(ScanRecord& record, int threads, double value)
{
    RecordConfiguration c;
    c.kind = "parallel";
    c.threads = threads;
    c.median_s = c.ci_low_s = c.ci_high_s = value;
    record.configurations.push_back(c);
    RecordSpeedup s;
    s.threads = threads;
    s.speedup = s.ci_low = s.ci_high = value;
    s.efficiency = s.efficiency_ci_low = s.efficiency_ci_high = s.schedule_bound = value;
    record.speedups.push_back(s);
}

ScanPlot scan_of(const Decoded& d)
{
    ScanPlot scan;
    ScanRecord& r = scan.record;
    scan.file = d.texts[record_file];
    r.machine.cpu_model = d.texts[cpu_model];
    r.parameters.kernel = d.texts[kernel];
    r.parameters.bind = d.texts[bind];
    r.warnings = {{d.texts[warning], d.texts[warning]}}; // the summary shows the record's
    RecordConfiguration baseline;
    baseline.kind = "sequential";
    baseline.median_s = d.points.empty() ? 1.0 : d.points[0].second;
    r.configurations = {baseline};
    for (const auto& [threads, value] : d.points) {
        add_point(r, threads, value);
        // The same figures as the probe's rounds, every other one starved, for the panel over time.
        const int round = static_cast<int>(r.probe.rounds.size()) + 1;
        r.probe.rounds.push_back({round, value, {threads}, {{value}}, {value}, round % 2 == 0, {value}});
    }
    r.parameters.probe = "each";
    r.probe.threshold = d.points.empty() ? 0.05 : d.points[0].second;
    return scan;
}

std::vector<NamedRun> runs_of(const Decoded& d)
{
    Run run;
    for (const auto& [threads, value] : d.points) {
        FileRow row;
        row.row.threads = threads;
        row.row.time = row.row.speed_up = row.row.efficiency = value;
        run.push_back(row);
    }
    if (run.empty())
        run.push_back(FileRow{{2, 64, 1.0, 1.5, 0.75}, 1});
    return name_runs({run, run}, d.texts[results_file] + " ");
}

std::string table_breach(const std::string& table)
{
    for (char c : table)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7f)
            return "a control character in the table: " + table;
    return "";
}

} // namespace

std::string plot_script_input(const std::vector<std::string>& texts, const std::vector<std::pair<int, double>>& points)
{
    std::string input;
    for (std::size_t i = 0; i < text_count; ++i) {
        const std::string text = i < texts.size() ? texts[i].substr(0, 255) : "";
        input += static_cast<char>(text.size());
        input += text;
    }
    for (const auto& [threads, value] : points) {
        char bytes[12];
        std::memcpy(bytes, &threads, 4);
        std::memcpy(bytes + 4, &value, 8);
        input.append(bytes, 12);
    }
    return input;
}

std::string plot_script_breach(const std::string& input)
{
    const Decoded d = decode(input);
    const ScanPlot scan = scan_of(d);
    const std::vector<ScanPlot> scans = {scan, scan, scan};
    const std::vector<NamedRun> runs = runs_of(d);
    std::string breach = table_breach(format_scan_summary(scans) + format_summary(runs));
    // The formats differ only in the terminal line: one per input keeps the fuzzer fast.
    const PictureFormat formats[] = {PictureFormat::png, PictureFormat::svg, PictureFormat::pdf};
    const PictureFormat format = formats[input.size() % 3];
    std::vector<std::string> scripts;
    if (has_drawable_times(scans)) // otherwise the tool refuses before drawing
        scripts.push_back(scan_gnuplot_script(scans, format));
    if (has_drawable_points(runs[0].rows))
        scripts.push_back(gnuplot_script(runs, format));
    for (const std::string& script : scripts) {
        // drawing_into() only adds a line: checking its script checks the one drawn too.
        const std::string whole = drawing_into(script, d.texts[output_name]);
        if (breach.empty() && !(breach = script_breach(whole)).empty())
            breach += "\n" + whole;
    }
    return breach;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string breach = plot_script_breach(std::string(reinterpret_cast<const char*>(data), size));
    require(breach.empty(), "every script is the tool's own commands with quoted holes", breach);
    return 0;
}
