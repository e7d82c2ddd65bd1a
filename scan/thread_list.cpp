#include "common/parse.h"
#include "scan/options.h"

#include <algorithm>

namespace {

bool parse_count(const std::string& text, int& value, std::string& error)
{
    if (parse_int32(text, value) != ParseStatus::ok || value < 1) {
        error = "'" + quoted_token(text) + "' is not a thread count (a whole number, 1 or more)";
        return false;
    }
    return true;
}

} // namespace

bool parse_thread_list(const std::string& text, std::vector<int>& threads, std::string& error)
{
    // Far beyond any machine's threads, yet small enough that a typo cannot ask for a list of
    // a billion counts.
    constexpr long long most_counts = 4096;
    std::vector<int> counts;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t dash = part.find('-', 1);
        int first = 0, last = 0;
        if (part.empty()) {
            error = "empty entry in thread list '" + quoted_token(text) + "'";
            return false;
        }
        if (dash == std::string::npos) {
            if (!parse_count(part, first, error))
                return false;
            last = first;
        } else if (!parse_count(part.substr(0, dash), first, error) ||
                   !parse_count(part.substr(dash + 1), last, error)) {
            return false;
        } else if (last < first) {
            error = "range '" + quoted_token(part) + "' runs downwards";
            return false;
        }
        if (static_cast<long long>(counts.size()) + last - first + 1 > most_counts) {
            error = "thread list '" + quoted_token(text) + "' has more than " + std::to_string(most_counts) + " counts";
            return false;
        }
        for (long long t = first; t <= last; ++t)
            counts.push_back(static_cast<int>(t));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    std::sort(counts.begin(), counts.end());
    const auto repeat = std::adjacent_find(counts.begin(), counts.end());
    if (repeat != counts.end()) {
        error = "thread count " + std::to_string(*repeat) + " appears twice in '" + quoted_token(text) + "'";
        return false;
    }
    threads = counts;
    return true;
}
