#include "common/parse.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <sstream>

ParseStatus parse_int32(const std::string& text, int& value)
{
    const char* first = text.data();
    const char* last = first + text.size();
    // from_chars takes a '-' but not a '+'; "+-5" must stay refused.
    if (last - first > 1 && *first == '+' && first[1] != '-')
        ++first;
    const auto [end, status] = std::from_chars(first, last, value);
    if (status == std::errc::result_out_of_range && end == last)
        return ParseStatus::out_of_range;
    if (status != std::errc() || end != last)
        return ParseStatus::not_a_number;
    return ParseStatus::ok;
}

bool parse_figure(const std::string& text, double& value)
{
    const std::size_t start = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    // strtod also reads leading blanks and hexadecimal; neither is a figure this tool wrote.
    if (start >= text.size() || !(text[start] == '.' || (text[start] >= '0' && text[start] <= '9') ||
                                  text.compare(start, 3, "nan") == 0 || text.compare(start, 3, "inf") == 0))
        return false;
    if (text.compare(start, 2, "0x") == 0 || text.compare(start, 2, "0X") == 0)
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size();
}

std::string quoted_token(const std::string& text, std::size_t max_chars)
{
    // Bounded by what is printed, not by the bytes read: an escape takes four characters, so a
    // token of unprintable bytes would otherwise come back four times as long.
    std::string out;
    std::size_t used = 0;
    for (; used < text.size(); ++used) {
        const auto byte = static_cast<unsigned char>(text[used]);
        std::string shown(1, static_cast<char>(byte));
        if (byte < 0x20 || byte >= 0x7f || byte == '\\') {
            char escape[5];
            std::snprintf(escape, sizeof(escape), "\\x%02x", byte);
            shown = escape;
        }
        if (out.size() + shown.size() > max_chars)
            break;
        out += shown;
    }
    if (used < text.size())
        out += "... (" + std::to_string(text.size()) + " bytes)";
    return out;
}

long long leading_number(const std::string& text)
{
    std::istringstream in(text);
    long long value = -1;
    return (in >> value) && value >= 0 ? value : -1;
}
