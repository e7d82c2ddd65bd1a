// A samples file as tilebench-compare reads it (cut short, hand-edited, or not one at all),
// then the rounds that count and a comparison of it against itself, and the rounds that count
// when the scan's probe found every even round of its first eight starved.
#include "compare/compare.h"
#include "fuzz_check.h"

#include <cstdint>
#include <set>

namespace {

ScanRecord record_of_threads_1_to_3()
{
    ScanRecord record;
    record.parameters.size = 64;
    record.parameters.block = 8;
    for (int t = 0; t <= 3; ++t) {
        RecordConfiguration c;
        c.kind = t == 0 ? "sequential" : "parallel";
        c.threads = t == 0 ? 1 : t;
        record.configurations.push_back(c);
    }
    return record;
}

// Every round of the samples is counted, left out as starved or left out as incomplete, once.
void check_starved_left_out(const std::vector<RecordedSample>& samples)
{
    ScanRecord record = record_of_threads_1_to_3();
    record.parameters.probe = "each";
    record.rounds = 8;
    for (int k = 1; k <= record.rounds; ++k)
        record.probe.rounds.push_back(RecordProbeRound{k, 0.0, {0}, {}, {}, k % 2 == 0, {}});
    const CountedRounds rounds = counted_rounds(record, samples);
    std::set<int> seen;
    for (const std::vector<int>* list : {&rounds.counted, &rounds.starved, &rounds.incomplete})
        for (const int round : *list)
            require(seen.insert(round).second, "a round goes one way only");
    for (const int round : rounds.counted)
        require(round <= record.rounds && round % 2 == 1, "only the scan's clean rounds count");
    for (const int round : rounds.starved)
        require(round % 2 == 0, "only a starved round is left out as one");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<RecordedSample> samples;
    std::string problem;
    if (!read_samples(text, samples, problem)) {
        require(is_bounded_line(problem, 300), "a damaged samples file gets one bounded line", problem);
        return 0;
    }
    const CountedRounds rounds = counted_rounds(record_of_threads_1_to_3(), samples);
    for (const ThreadSamples& t : rounds.by_threads) {
        require(t.pairs.baseline.size() == t.pairs.parallel.size(), "pairs stay pairs");
        require(t.pairs.parallel.size() <= t.seconds.size() && t.seconds.size() <= rounds.counted.size(),
                "no count has more samples than rounds");
    }
    check_starved_left_out(samples);
    CompareSettings settings;
    settings.resamples = 20;
    const Comparison comparison = compare_rounds(rounds, rounds, settings);
    require(comparison.counts.size() == 3 && comparison.only_in_a.empty(), "a side has every count of itself");
    for (const CountComparison& c : comparison.counts) {
        require(is_bounded_line(time_verdict(c), 120), "a verdict is one bounded line", time_verdict(c));
        require(!slower_beyond(c, 0.0) || c.time_change == Change::higher, "only a slower verdict fails a guard");
    }
    return 0;
}
