// What a study's rounds said beside their figures, gathered over every size and cell so that
// each kind of warning is raised once for the whole study.
#include "common/timing.h"
#include "record/figures.h"
#include "record/study_table.h"
#include "scan/study.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace {

// threads 0: the sequential kernel.
std::string cell_name(int size, int block, int threads)
{
    return "n " + std::to_string(size) + " b " + std::to_string(block) + (threads == 0 ? " " : " on ") +
           threads_named(threads);
}

std::vector<Warning> study_precision_warning(const StudyRun& study)
{
    std::string cells;
    for (const SizeStudy& size : study.sizes) {
        std::size_t s = 0;
        for (const ConfigurationSummary& c : size.run.summary.configurations)
            if (c.configuration.parallel && s < size.run.summary.speedups.size() &&
                !size.run.summary.speedups[s++].precision_reached)
                cells +=
                    (cells.empty() ? "" : ", ") + cell_name(size.size, c.configuration.block, c.configuration.threads);
    }
    if (cells.empty())
        return {};
    return {{"precision_not_reached", "the speed-up interval is wider than the precision asked for at " + cells + " (" +
                                          stop_reason_name(study.stop) + " came first)"}};
}

// Calls too short for the clock in any cell: the baselines, and the thread counts.
std::vector<Warning> study_short_call_warning(const StudyRun& study)
{
    bool baseline_short = false;
    std::set<int> short_counts;
    for (const SizeStudy& size : study.sizes)
        for (const ConfigurationSummary& c : size.run.summary.configurations) {
            if (c.runs == 0 || timed_well(c))
                continue;
            if (c.configuration.parallel)
                short_counts.insert(c.configuration.threads);
            else
                baseline_short = true;
        }
    return too_short_warning(baseline_short, {short_counts.begin(), short_counts.end()}, shortest_timed_call_s);
}

// Edges counted an equal of the fastest, or not, by where this study's rounds fell: where two
// studies of one machine differ at these edges they may differ by chance alone, and a reader
// comparing them needs to know which edges those are. An edge with too few rounds in common
// with the fastest for an interval is never counted, and more rounds could count it.
std::vector<Warning> unsettled_equals_warning(const StudyRun& study)
{
    std::string cells;
    for (const SizeStudy& size : study.sizes) {
        std::vector<const EdgeRanking*> rankings = {&size.sequential};
        for (const EdgeRanking& ranking : size.parallel)
            rankings.push_back(&ranking);
        for (const EdgeRanking* ranking : rankings)
            for (const EdgeFigures& edge : ranking->edges) {
                const PairedRatio& ratio = edge.versus_fastest;
                const bool compared = std::isfinite(ratio.low) && std::isfinite(ratio.high);
                if (edge.fastest || std::isnan(edge.median_s) ||
                    (compared && !straddles_tolerance(ratio, edge_tolerance)))
                    continue;
                const std::string said = compared ? figure("%.3f", ratio.ratio) + " [" + figure("%.3f", ratio.low) +
                                                        ", " + figure("%.3f", ratio.high) + "]"
                                         : ratio.pairs > 0
                                             ? figure("%.3f", ratio.ratio) + " from " + std::to_string(ratio.pairs) +
                                                   (ratio.pairs == 1 ? " round" : " rounds") + " in common"
                                             : std::string("no round in common");
                cells += (cells.empty() ? "" : "; ") + cell_name(size.size, edge.block, ranking->threads) + ": " +
                         said + (edge.indistinguishable ? ", counted an equal" : ", not counted an equal");
            }
    }
    if (cells.empty())
        return {};
    const std::string band = figure("%.0f", edge_tolerance * 100.0) + " %";
    return {{"unsettled_equals", "the rounds leave open whether these edges' times lie within " + band +
                                     " of the fastest edge's, each one's ratio to it having an interval that reaches "
                                     "both inside and outside that band, or too few rounds in common for one: " +
                                     cells + "; another study of this machine may count them the other way"}};
}

// host_starvation, contended, regime_change and line_passing of every size, one warning of each
// kind, each size's part named.
std::vector<Warning> study_host_warnings(const StudyRun& study, const std::vector<std::pair<int, int>>& sharing_cells)
{
    std::vector<Warning> merged;
    for (const SizeStudy& size : study.sizes)
        for (const Warning& w : host_warnings(size.run, sharing_cells)) {
            const std::string part = "n " + std::to_string(size.size) + ": " + w.message;
            const auto same =
                std::find_if(merged.begin(), merged.end(), [&](const Warning& m) { return m.kind == w.kind; });
            if (same == merged.end())
                merged.push_back({w.kind, part});
            else
                same->message += "; " + part;
        }
    return merged;
}

} // namespace

std::vector<Warning> study_warnings(const StudyRun& study, const std::vector<std::pair<int, int>>& sharing_cells)
{
    std::set<std::pair<int, int>> smaller_teams;
    std::set<int> migrated;
    int invalid = 0;
    for (const SizeStudy& size : study.sizes) {
        smaller_teams.insert(size.run.smaller_teams.begin(), size.run.smaller_teams.end());
        for (std::size_t c = 0; c < size.run.configurations.size(); ++c)
            if (c < size.run.placement.size() && placement_migrated(size.run.placement[c]))
                migrated.insert(size.run.configurations[c].threads);
        invalid += invalid_samples(size.run.samples);
    }
    std::vector<Warning> warnings = team_warning({smaller_teams.begin(), smaller_teams.end()});
    for (const auto& more : {study_short_call_warning(study), migration_warning({migrated.begin(), migrated.end()}),
                             study_precision_warning(study), unsettled_equals_warning(study),
                             invalid_result_warning(invalid), study_host_warnings(study, sharing_cells)})
        warnings.insert(warnings.end(), more.begin(), more.end());
    return warnings;
}
