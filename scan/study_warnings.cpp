// What a study's rounds said beside their figures, gathered over every size and cell so that
// each kind of warning is raised once for the whole study.
#include "common/timing.h"
#include "scan/study.h"

#include <algorithm>
#include <set>

namespace {

std::string cell_name(int size, const Configuration& configuration)
{
    return "n " + std::to_string(size) + " b " + std::to_string(configuration.block) + " on " +
           std::to_string(configuration.threads) + (configuration.threads == 1 ? " thread" : " threads");
}

std::vector<Warning> study_precision_warning(const StudyRun& study)
{
    std::string cells;
    for (const SizeStudy& size : study.sizes) {
        std::size_t s = 0;
        for (const ConfigurationSummary& c : size.run.summary.configurations)
            if (c.configuration.parallel && s < size.run.summary.speedups.size() &&
                !size.run.summary.speedups[s++].precision_reached)
                cells += (cells.empty() ? "" : ", ") + cell_name(size.size, c.configuration);
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
    for (const auto& more :
         {study_short_call_warning(study), migration_warning({migrated.begin(), migrated.end()}),
          study_precision_warning(study), invalid_result_warning(invalid), study_host_warnings(study, sharing_cells)})
        warnings.insert(warnings.end(), more.begin(), more.end());
    return warnings;
}
