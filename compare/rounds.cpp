#include "compare/rounds.h"

#include <map>
#include <set>

namespace {

// The parallel thread counts of the record, ascending and once each.
std::vector<int> parallel_counts(const ScanRecord& record)
{
    std::set<int> counts;
    for (const RecordConfiguration& c : record.configurations)
        if (c.kind == "parallel")
            counts.insert(c.threads);
    return {counts.begin(), counts.end()};
}

// A configuration's key within a round: 0 for the sequential baseline, t for t threads.
int key_of(const Configuration& configuration)
{
    return configuration.parallel ? configuration.threads : 0;
}

} // namespace

CountedRounds counted_rounds(const ScanRecord& record, const std::vector<RecordedSample>& samples)
{
    // round -> configuration key -> the sample timed there
    std::map<int, std::map<int, const RecordedSample*>> rounds;
    for (const RecordedSample& sample : samples)
        rounds[sample.round][key_of(sample.configuration)] = &sample;
    const std::size_t configurations = record.configurations.size();

    CountedRounds counted;
    const std::vector<int> counts = parallel_counts(record);
    for (const int t : counts)
        counted.by_threads.push_back(ThreadSamples{t, {}, {}});
    for (const auto& [round, timed] : rounds) {
        if (timed.size() < configurations) {
            counted.incomplete.push_back(round);
            continue;
        }
        counted.counted.push_back(round);
        const auto baseline = timed.find(0);
        const bool baseline_valid = baseline != timed.end() && baseline->second->valid;
        for (ThreadSamples& thread : counted.by_threads) {
            const auto call = timed.find(thread.threads);
            if (call == timed.end() || !call->second->valid)
                continue;
            thread.seconds.push_back(call->second->seconds);
            if (baseline_valid) {
                thread.pairs.baseline.push_back(baseline->second->seconds);
                thread.pairs.parallel.push_back(call->second->seconds);
            }
        }
    }
    return counted;
}
