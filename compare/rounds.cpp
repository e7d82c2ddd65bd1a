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

using TimedRound = std::map<int, const RecordedSample*>; // configuration key -> the sample timed there

// A counted round's valid samples, into each count's times and, beside a valid baseline, pairs.
void add_counted(CountedRounds& counted, int round, const TimedRound& timed)
{
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

} // namespace

CountedRounds counted_rounds(const ScanRecord& record, const std::vector<RecordedSample>& samples)
{
    std::map<int, TimedRound> rounds;
    for (const RecordedSample& sample : samples)
        rounds[sample.round][key_of(sample.configuration)] = &sample;
    const std::size_t configurations = record.configurations.size();
    // A record from before the probe holds no verdicts: every round timed whole counts there.
    const bool judged = !record.parameters.probe.empty();
    const std::set<int> starved = recorded_starved_rounds(record);
    const std::set<int> clean = clean_rounds(record.rounds, starved);

    CountedRounds counted;
    for (const int t : parallel_counts(record))
        counted.by_threads.push_back(ThreadSamples{t, {}, {}});
    for (const auto& [round, timed] : rounds) {
        if (timed.size() < configurations)
            counted.incomplete.push_back(round);
        else if (!judged || clean.count(round) != 0)
            add_counted(counted, round, timed);
        else
            (starved.count(round) != 0 ? counted.starved : counted.incomplete).push_back(round);
    }
    return counted;
}
