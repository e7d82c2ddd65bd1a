// tilebench-scan's command line: the input's lines are its arguments.
#include "fuzz_check.h"
#include "scan/options.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> words = {"tilebench-scan"};
    std::string word;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    if (!word.empty())
        words.push_back(word);
    if (words.size() > 64)
        return 0;
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    const ParsedOptions parsed = parse_scan_options(static_cast<int>(argv.size()), argv.data(), 4, 1);
    if (parsed.outcome == OptionsOutcome::refused) {
        require(!parsed.message.empty() && parsed.message.find('\n') == std::string::npos, "a refusal is one line",
                parsed.message);
        return 0;
    }
    if (parsed.outcome == OptionsOutcome::done)
        return 0;
    const ScanOptions& o = parsed.options;
    require(o.size >= 1 && o.block >= 1, "accepted size and block are 1 or more");
    require(!o.threads.empty() && o.threads.front() >= 1, "accepted thread counts are 1 or more");
    for (std::size_t t = 1; t < o.threads.size(); ++t)
        require(o.threads[t] > o.threads[t - 1], "accepted thread counts ascend without repeats");
    require(o.min_runs >= 1 && o.min_runs <= o.max_runs, "1 <= min-runs <= max-runs");
    require(o.precision > 0.0 && o.precision <= 1.0 && o.warmup >= 0 && o.time_limit_s >= 0.0,
            "precision, warm-up and time limit are in range");
    require(!o.output.empty(), "an output prefix is named");
    return 0;
}
