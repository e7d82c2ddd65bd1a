// The figures perf/starve.sh reports, one line per scan record: the clean speed-up at the
// largest thread count with its interval, the share of starved rounds and their own figure, the
// host warnings, and what the probe and everything outside the timed calls cost.
//   tilebench_scan_figures [--judge] [--reference REF.json] [--band FRACTION] SCAN.json...
// --reference adds each figure's distance from REF's; --band ends with the scans' median and
// whether each scan lies within the band around it or carries a host warning. --judge judges
// every round again by this build's rule, from the probe's rates and the threads' waits the
// record holds and the samples file beside it, and gives the figures that rule makes: records
// taken before the rule last changed read as they would today.
#include "common/exit_status.h"
#include "common/platform_files.h"
#include "kernels/families.h"
#include "record/figures.h"
#include "record/scan_record.h"
#include "scan/clean_rounds.h"
#include "scan/samples_reader.h"
#include "stats/stats.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace {

struct Scan {
    std::string file;
    ScanRecord record;
};

bool has_warning(const ScanRecord& record, const std::string& kind)
{
    for (const Warning& w : record.warnings)
        if (w.kind == kind)
            return true;
    return false;
}

std::string host_warnings(const ScanRecord& record)
{
    std::string kinds;
    for (const char* kind : {"host_starvation", "contended", "regime_change", "loaded"})
        if (has_warning(record, kind))
            kinds += (kinds.empty() ? "" : ",") + std::string(kind);
    return kinds.empty() ? "-" : kinds;
}

std::string starved_rounds(const ScanRecord& record)
{
    std::string rounds;
    for (const RecordProbeRound& round : record.probe.rounds)
        if (round.starved)
            rounds += (rounds.empty() ? "" : ",") + std::to_string(round.round);
    return rounds.empty() ? "-" : rounds;
}

void print_header(bool reference)
{
    std::printf("%-22s %6s %8s %-11s %8s %-18s %7s %7s %8s %-36s %7s %9s %s%s\n", "scan", "rounds", "seconds", "stop",
                "speed-up", "95 % interval", "precise", "starved", "starved", "warnings", "probe", "outside",
                reference ? "off ref  " : "", "starved rounds");
    std::printf("%-22s %6s %8s %-11s %8s %-18s %7s %7s %8s %-36s %7s %9s %s%s\n", "", "", "", "", "(clean)", "", "",
                "share", "speed-up", "", "share", "share", reference ? "         " : "", "");
}

std::string percent(const char* format, double share)
{
    return std::isfinite(share) ? figure(format, 100.0 * share) + "%" : no_figure;
}

void print_scan(const Scan& scan, double reference)
{
    const ScanRecord& r = scan.record;
    if (r.speedups.empty())
        return;
    const RecordSpeedup& s = r.speedups.back();
    const std::string interval = "[" + figure("%.3f", s.ci_low) + ", " + figure("%.3f", s.ci_high) + "]";
    const std::string off =
        std::isfinite(reference) ? figure("%+7.1f", 100.0 * (s.speedup / reference - 1.0)) + " % " : "";
    std::printf("%-22s %6d %8s %-11s %8s %-18s %7s %7s %8s %-36s %7s %9s %s%s\n", scan.file.c_str(), r.rounds,
                figure("%.1f", r.elapsed_s).c_str(), r.stop_reason.c_str(), figure("%.3f", s.speedup).c_str(),
                interval.c_str(), s.precision_reached ? "yes" : "no", percent("%.0f", s.starved_share).c_str(),
                figure("%.3f", s.starved_speedup).c_str(), host_warnings(r).c_str(),
                percent("%.1f", r.probe.seconds / r.elapsed_s).c_str(),
                percent("%.1f", 1.0 - r.timed_s / r.elapsed_s).c_str(), off.c_str(), starved_rounds(r).c_str());
}

// The scans' median clean figure, and whether every scan outside band around it carries a host
// warning.
void print_band(const std::vector<Scan>& scans, double band)
{
    std::vector<double> figures;
    for (const Scan& scan : scans)
        if (!scan.record.speedups.empty() && std::isfinite(scan.record.speedups.back().speedup))
            figures.push_back(scan.record.speedups.back().speedup);
    const double middle = median(figures);
    int outside = 0, unexplained = 0;
    for (const Scan& scan : scans) {
        const double s = scan.record.speedups.empty() ? std::numeric_limits<double>::quiet_NaN()
                                                      : scan.record.speedups.back().speedup;
        if (std::isfinite(s) && std::fabs(s / middle - 1.0) <= band)
            continue;
        ++outside;
        if (!has_warning(scan.record, "host_starvation") && !has_warning(scan.record, "contended") &&
            !has_warning(scan.record, "regime_change"))
            ++unexplained;
        std::printf("outside +-%.0f %%: %s (%+.1f %%)\n", 100.0 * band, scan.file.c_str(), 100.0 * (s / middle - 1.0));
    }
    std::printf("median of the clean figures %.3f; %d of %zu scans outside +-%.0f %%, %d of them without "
                "host_starvation, contended or regime_change\n",
                middle, outside, scans.size(), 100.0 * band, unexplained);
}

// The scan's configurations as its record lists them, and its samples against them.
std::vector<Configuration> configurations_of(const ScanRecord& r)
{
    std::vector<Configuration> configurations;
    for (const RecordConfiguration& c : r.configurations)
        configurations.push_back({c.kind == "parallel", c.threads, r.parameters.size, r.parameters.block});
    return configurations;
}

std::vector<Sample> samples_of(const std::vector<Configuration>& configurations,
                               const std::vector<RecordedSample>& recorded)
{
    std::vector<Sample> samples;
    for (const RecordedSample& s : recorded)
        for (std::size_t c = 0; c < configurations.size(); ++c)
            if (configurations[c].parallel == s.configuration.parallel &&
                configurations[c].threads == s.configuration.threads)
                samples.push_back({s.round, c, s.team, s.seconds, s.valid});
    return samples;
}

// The record as this build's rule would have written its host figures and verdicts.
bool judge_again(const std::string& file, ScanRecord& r)
{
    std::vector<RecordedSample> recorded;
    std::string problem;
    const std::string csv = file.substr(0, file.size() - 5) + ".csv";
    if (!read_samples(read_text_file(csv.c_str()), recorded, problem)) {
        std::fprintf(stderr, "tilebench_scan_figures: %s: %s\n", csv.c_str(), problem.c_str());
        return false;
    }
    const std::vector<Configuration> configurations = configurations_of(r);
    std::vector<ProbeRound> probes;
    for (const RecordProbeRound& p : r.probe.rounds)
        probes.push_back({p.round, p.cpus, p.gflops, p.end_s, p.waited});
    const KernelFamily* family = find_kernel_family(r.parameters.kernel);
    const SummaryInputs inputs{r.parameters.size,      r.parameters.block, family ? family->schedule_bound : nullptr,
                               r.parameters.precision, r.parameters.seed,  2000};
    const HostFigures host =
        host_figures(configurations, samples_of(configurations, recorded), probes, r.rounds, inputs, StarvationRule{});
    for (std::size_t i = 0; i < r.speedups.size() && i < host.clean.speedups.size(); ++i) {
        const SpeedupSummary &clean = host.clean.speedups[i], &starved = host.starved.speedups[i];
        RecordSpeedup& s = r.speedups[i];
        s.speedup = clean.speedup;
        s.ci_low = clean.ci_low;
        s.ci_high = clean.ci_high;
        s.precision_reached = clean.precision_reached;
        s.starved_share = starved_share(host, i);
        s.starved_speedup = starved.speedup;
    }
    for (RecordProbeRound& p : r.probe.rounds)
        p.starved = host.starvation.starved_rounds.count(p.round) != 0;
    std::vector<Warning> warnings;
    for (const Warning& w : r.warnings)
        if (w.kind != "host_starvation" && w.kind != "contended" && w.kind != "regime_change")
            warnings.push_back(w);
    for (const auto& more : {starvation_warning(probes, host.starvation, r.rounds,
                                                speedups_named(configurations, speedups_measuring_host(host))),
                             regime_warning(configurations, host.regime_changes)})
        warnings.insert(warnings.end(), more.begin(), more.end());
    r.warnings = warnings;
    return true;
}

bool read_scan(const std::string& file, Scan& scan, bool judge)
{
    std::string problem;
    const std::string text = read_text_file(file.c_str());
    if (text.empty() || !parse_scan_record(text, scan.record, problem)) {
        std::fprintf(stderr, "tilebench_scan_figures: %s: %s\n", file.c_str(),
                     problem.empty() ? "cannot read it" : problem.c_str());
        return false;
    }
    scan.file = file.substr(file.find_last_of('/') + 1);
    return !judge || judge_again(file, scan.record);
}

} // namespace

static int run(int argc, char** argv)
{
    std::string reference_file;
    double band = std::numeric_limits<double>::quiet_NaN();
    std::vector<Scan> scans;
    bool judge = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--judge") {
            judge = true;
            continue;
        }
        if ((argument == "--reference" || argument == "--band") && i + 1 < argc) {
            (argument == "--band" ? band = std::atof(argv[++i]) : (reference_file = argv[++i], 0.0));
            continue;
        }
        Scan scan;
        if (!read_scan(argument, scan, judge))
            return 1;
        scans.push_back(scan);
    }
    if (scans.empty()) {
        std::fprintf(stderr,
                     "usage: tilebench_scan_figures [--judge] [--reference REF.json] [--band FRACTION] SCAN.json...\n");
        return 2;
    }
    double reference = std::numeric_limits<double>::quiet_NaN();
    Scan reference_scan;
    if (!reference_file.empty()) {
        if (!read_scan(reference_file, reference_scan, judge))
            return 1;
        if (!reference_scan.record.speedups.empty())
            reference = reference_scan.record.speedups.back().speedup;
    }
    print_header(std::isfinite(reference));
    for (const Scan& scan : scans)
        print_scan(scan, reference);
    if (std::isfinite(band))
        print_band(scans, band);
    return 0;
}

int main(int argc, char** argv)
{
    return guarded_main("tilebench_scan_figures", run, argc, argv);
}
