#include "scan/clean_rounds.h"

#include "common/text.h"
#include "record/study_table.h"
#include "scan/cells.h"

#include "stats/drift.h"

#include <cmath>
#include <cstdio>
#include <map>

std::set<int> clean_rounds(int completed_rounds, const std::set<int>& starved_rounds)
{
    std::set<int> clean;
    for (int round = 1; round <= completed_rounds; ++round)
        if (starved_rounds.count(round) == 0)
            clean.insert(round);
    return clean;
}

std::set<int> recorded_starved_rounds(const ScanRecord& record)
{
    std::set<int> starved;
    for (const RecordProbeRound& round : record.probe.rounds)
        if (round.starved)
            starved.insert(round.round);
    return starved;
}

std::vector<Sample> judged_samples(const std::vector<Configuration>& configurations, const std::vector<Sample>& samples,
                                   const StarvationVerdict& verdict, int completed_rounds, bool starved)
{
    const std::vector<std::size_t> cells = cell_numbers(configurations);
    std::vector<Sample> kept;
    for (const Sample& sample : samples)
        if (sample.round >= 1 && sample.round <= completed_rounds && sample.config < cells.size() &&
            call_starved(verdict, sample.round, cells[sample.config]) == starved)
            kept.push_back(sample);
    return kept;
}

std::vector<double> round_log_speedups(const std::vector<Sample>& samples, std::size_t config, std::vector<int>* rounds)
{
    std::map<int, double> baseline, parallel;
    for (const Sample& sample : samples)
        if (sample.valid && (sample.config == 0 || sample.config == config))
            (sample.config == 0 ? baseline : parallel)[sample.round] = sample.seconds;
    std::vector<double> ratios;
    for (const auto& [round, seconds] : parallel) {
        const auto paired = baseline.find(round);
        if (paired == baseline.end() || !(seconds > 0.0) || !(paired->second > 0.0))
            continue;
        ratios.push_back(std::log(paired->second / seconds));
        if (rounds)
            rounds->push_back(round);
    }
    return ratios;
}

namespace {

// Each cell's speed-ups against its own baseline (scan/cells.h); a scan has one cell.
std::vector<RegimeChange> find_regime_changes(const std::vector<Configuration>& configurations,
                                              const std::vector<Sample>& clean_samples)
{
    std::vector<RegimeChange> changes;
    std::size_t speedup = 0; // the speed-ups are the cells' parallel configurations, in order
    for (const CellSpan& cell : cell_spans(configurations)) {
        const std::vector<Sample> own = cell_samples(clean_samples, cell);
        for (std::size_t c = 1; c < cell.count; ++c, ++speedup) {
            std::vector<int> rounds;
            const Drift drift = detect_drift(round_log_speedups(own, c, &rounds));
            if (drift.changed)
                changes.push_back({configurations[cell.first + c].threads,
                                   rounds[static_cast<std::size_t>(drift.index)], drift.statistic, speedup});
        }
    }
    return changes;
}

} // namespace

HostFigures host_figures(const std::vector<Configuration>& configurations, const std::vector<Sample>& samples,
                         const std::vector<ProbeRound>& probes, int completed_rounds, const SummaryInputs& inputs,
                         const StarvationRule& rule)
{
    std::vector<ProbeRound> completed;
    for (const ProbeRound& probe : probes)
        if (probe.round >= 1 && probe.round <= completed_rounds)
            completed.push_back(probe);
    HostFigures figures;
    figures.starvation = judge_starvation(completed, rule);
    const std::vector<Sample> clean =
        judged_samples(configurations, samples, figures.starvation, completed_rounds, false);
    figures.clean = summarise_cells(configurations, clean, inputs);
    figures.starved = summarise_cells(
        configurations, judged_samples(configurations, samples, figures.starvation, completed_rounds, true), inputs);
    figures.regime_changes = find_regime_changes(configurations, clean);
    return figures;
}

double starved_share(const HostFigures& figures, std::size_t speedup)
{
    const int clean = speedup < figures.clean.speedups.size() ? figures.clean.speedups[speedup].pairs : 0;
    const int starved = speedup < figures.starved.speedups.size() ? figures.starved.speedups[speedup].pairs : 0;
    return clean + starved > 0 ? static_cast<double>(starved) / (clean + starved) : 0.0;
}

std::vector<std::size_t> speedups_measuring_host(const HostFigures& figures)
{
    std::vector<std::size_t> speedups;
    for (std::size_t i = 0; i < figures.clean.speedups.size(); ++i)
        if (starved_share(figures, i) > 0.0 && !figures.clean.speedups[i].precision_reached)
            speedups.push_back(i);
    return speedups;
}

std::string speedups_named(const std::vector<Configuration>& plan, const std::vector<std::size_t>& speedups)
{
    std::vector<const Configuration*> parallel;
    for (const Configuration& configuration : plan)
        if (configuration.parallel)
            parallel.push_back(&configuration);
    std::vector<int> counts;
    std::vector<std::string> cells;
    for (std::size_t i : speedups) {
        if (i >= parallel.size())
            continue;
        const Configuration& c = *parallel[i];
        counts.push_back(c.threads);
        cells.push_back("b " + std::to_string(c.block) + " on " + threads_named(c.threads));
    }
    if (counts.empty())
        return "";
    return cell_spans(plan).size() > 1 ? joined(cells, ", ") : "threads " + joined(counts, ",");
}

std::vector<Warning> regime_warning(const std::vector<Configuration>& plan, const std::vector<RegimeChange>& changes)
{
    if (changes.empty())
        return {};
    std::vector<std::string> found;
    found.reserve(changes.size());
    for (const RegimeChange& change : changes) {
        std::string where = speedups_named(plan, {change.speedup});
        if (where.rfind("threads ", 0) == 0) // one cell: "at 2 threads", as a scan has always said
            where = std::to_string(change.threads) + " threads";
        char text[160];
        std::snprintf(text, sizeof(text), " changed level at round %d (drift %.2f > 1.63)", change.round,
                      change.statistic);
        found.push_back("the speed-up at " + where + text);
    }
    return {{"regime_change", joined(found, "; ") + "; the rounds before and after measured different conditions"}};
}
