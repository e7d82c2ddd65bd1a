// A samples file as tilebench-compare reads it (cut short, hand-edited, or not one at all),
// then the rounds that count and a comparison of it against itself.
#include "compare/compare.h"
#include "fuzz_check.h"

#include <cstdint>

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
