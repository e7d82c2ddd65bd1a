// The lists of whole numbers the command line takes: thread counts, tile edges and sizes, each
// as single values, ranges and mixes of both ("1-2,4,8").
#include "common/parse.h"
#include "scan/options.h"

#include <algorithm>

namespace {

bool parse_count(const std::string& text, const CountListNames& names, int& value, std::string& error)
{
    if (parse_int32(text, value) != ParseStatus::ok || value < 1) {
        error = "'" + quoted_token(text) + "' is not a " + names.item + " (a whole number, 1 or more)";
        return false;
    }
    return true;
}

} // namespace

const CountListNames thread_list_names{"thread list", "thread count", "counts"};
const CountListNames edge_list_names{"tile edge list", "tile edge", "edges"};
const CountListNames size_list_names{"size list", "size", "sizes"};

bool parse_count_list(const std::string& text, const CountListNames& names, std::vector<int>& values,
                      std::string& error)
{
    // Far beyond any machine's threads or any study's sizes, yet small enough that a typo cannot
    // ask for a list of a billion entries.
    constexpr long long most_counts = 4096;
    std::vector<int> counts;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t dash = part.find('-', 1);
        int first = 0, last = 0;
        if (part.empty()) {
            error = std::string("empty entry in ") + names.list + " '" + quoted_token(text) + "'";
            return false;
        }
        if (dash == std::string::npos) {
            if (!parse_count(part, names, first, error))
                return false;
            last = first;
        } else if (!parse_count(part.substr(0, dash), names, first, error) ||
                   !parse_count(part.substr(dash + 1), names, last, error)) {
            return false;
        } else if (last < first) {
            error = "range '" + quoted_token(part) + "' runs downwards";
            return false;
        }
        if (static_cast<long long>(counts.size()) + last - first + 1 > most_counts) {
            error = std::string(names.list) + " '" + quoted_token(text) + "' has more than " +
                    std::to_string(most_counts) + " " + names.items;
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
        error =
            std::string(names.item) + " " + std::to_string(*repeat) + " appears twice in '" + quoted_token(text) + "'";
        return false;
    }
    values = counts;
    return true;
}

bool parse_thread_list(const std::string& text, std::vector<int>& threads, std::string& error)
{
    return parse_count_list(text, thread_list_names, threads, error);
}
