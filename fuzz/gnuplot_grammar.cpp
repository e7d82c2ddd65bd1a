#include "gnuplot_grammar.h"

// GCC 12's own <regex> warns that a moved std::function "may be used uninitialized" when built
// with the address sanitizer's instrumentation; the warning is about the library's header, not
// this file, and is silenced here alone.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <cctype>
#include <cstdio>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

namespace {

// The statements the tool writes, with every single-quoted string as S, every unsigned number
// as N, and the one double-quoted string it uses, "\n", as NL. Plot commands are checked
// element by element.
const char* const statements[] = {
    R"(set terminal (pngcairo|svg) size N,N( dynamic)? enhanced font S)",
    R"(set terminal pdfcairo size Nin,Nin enhanced font S)",
    R"(set output S)",
    R"(caption = S( \. NL \. S)*)",
    R"(set multiplot layout N,N( title caption noenhanced font S)?)",
    R"(unset multiplot)",
    R"(set grid)",
    R"(set key (outside right top noenhanced|noenhanced box opaque font S|inside left (top|bottom)))",
    R"(set (title|xlabel|ylabel|y2label) S)",
    R"(set [xy]range \[(-?N|\*):(-?N|\*)\])",
    R"(set [xy]tics (N|autofreq|\((-?N(, -?N)*)?\)))",
    R"(set ytics nomirror)",
    R"(set y2tics)",
    R"(set y2range \[\*:\*\])",
    R"(set logscale y2)",
    R"(set [lr]margin N)",
    R"(set bars small)",
    R"(set logscale xy)",
    R"(unset logscale)",
    R"(set arrow from N, graph N to N, graph N nohead dashtype N lc rgb S)",
    R"(set label S at N, graph N)",
    R"(unset (arrow|label))",
};
const char* const first_plot_elements[] = {
    R"([xN] with lines dashtype N lc rgb S title S)",
    R"(-?N / x with lines dashtype N lc N title S)",
    R"(\$time\d+ using N:N:N:N with yerrorbars pt N lc N title S)",
    R"(\$timealone\d+ using N:N with points pt N ps N lc N title S)",
    R"(\$edge(time|speedup)\d+ using N:N with linespoints pt N lc N title S)",
};
const char* const plot_elements[] = {
    R"(-?N / x with lines dashtype N lc N title S)",
    R"(N with lines dashtype N lc rgb S title S)", // a comparison's band
    R"(\$run\d+ using N:N with linespoints lw N title S)",
    R"(\$(time|speedup|efficiency)\d+ using N:N:N:N with yerrorbars pt N lc N title S)",
    R"(\$bound\d+ using N:N with points pt N ps N lc N title S)",
    R"(\$(time|speedup|efficiency)alone\d+ using N:N with points pt N ps N lc N title S)",
    R"(\$(clean|starved)\d+ using N:N with points pt N ps N lc N title S)",
    R"(\$rate\d+x\d+ using N:N with lines dashtype N lc N title S)",
    R"(\$trip\d+x\d+x\d+ using N:N axes x1y2 with points pt N ps N lc N title S)",
    R"(\$edge(time|speedup)\d+ using N:N with linespoints pt N lc N title S)",
    R"(\$edge(time|speedup)bars\d+ using N:N:N:N with yerrorbars pt N lc N notitle)",
    R"(\$edgebound\d+ using N:N with linespoints dashtype N pt N ps N lc N title S)",
    R"(\$(fastest|equal)\d+ using N:N with points pt N ps N lc rgb S title S)",
};

template <std::size_t count>
std::vector<std::regex> compiled(const char* const (&patterns)[count])
{
    return std::vector<std::regex>(std::begin(patterns), std::end(patterns));
}

// Compiled once: the fuzzer checks millions of scripts.
const std::vector<std::regex> statement_patterns = compiled(statements);
const std::vector<std::regex> first_plot_patterns = compiled(first_plot_elements);
const std::vector<std::regex> plot_patterns = compiled(plot_elements);

bool matches_one(const std::string& text, const std::vector<std::regex>& patterns)
{
    for (const std::regex& pattern : patterns)
        if (std::regex_match(text, pattern))
            return true;
    return false;
}

// The statement in the form above, or an empty string with why when it holds a character or a
// string gnuplot would read as more than text.
std::string normalised(const std::string& line, std::string& why)
{
    std::string out;
    for (std::size_t at = 0; at < line.size();) {
        const auto c = static_cast<unsigned char>(line[at]);
        if (c == '\'') {
            std::size_t end = at + 1;
            for (; end < line.size(); ++end) {
                const auto inside = static_cast<unsigned char>(line[end]);
                if (inside < 0x20 || inside == 0x7f) {
                    why = "a control character inside a string";
                    return "";
                }
                if (inside == '\'' && end + 1 < line.size() && line[end + 1] == '\'')
                    ++end; // a doubled quote stands for one
                else if (inside == '\'')
                    break;
            }
            if (end >= line.size()) {
                why = "a string that does not end on its line";
                return "";
            }
            out += "S";
            at = end + 1;
        } else if (line.compare(at, 4, "\"\\n\"") == 0) {
            out += "NL";
            at += 4;
        } else if (std::isalpha(c) || c == '_' || c == '$') {
            std::size_t end = at + 1;
            while (end < line.size() &&
                   (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '_' || line[end] == '$'))
                ++end;
            out.append(line, at, end - at);
            at = end;
        } else if (std::isdigit(c) || (c == '.' && at + 1 < line.size() && std::isdigit(line[at + 1]))) {
            std::size_t end = at;
            while (end < line.size() && (std::isdigit(static_cast<unsigned char>(line[end])) || line[end] == '.'))
                ++end;
            if (end + 1 < line.size() && (line[end] == 'e' || line[end] == 'E') &&
                (line[end + 1] == '+' || line[end + 1] == '-'))
                end += 2;
            while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end])))
                ++end;
            out += "N";
            at = end;
        } else if (std::string(" []():,*/.=<-").find(static_cast<char>(c)) != std::string::npos) {
            out += static_cast<char>(c);
            ++at;
        } else {
            char shown[64];
            std::snprintf(shown, sizeof(shown), "byte 0x%02x outside a single-quoted string", c);
            why = shown;
            return "";
        }
    }
    return out;
}

// The elements of a plot command, split at the commas that separate them (strings are already S).
std::vector<std::string> plot_parts(const std::string& statement)
{
    std::vector<std::string> parts;
    std::size_t start = 5; // after "plot "
    for (std::size_t comma; (comma = statement.find(", ", start)) != std::string::npos; start = comma + 2)
        parts.push_back(statement.substr(start, comma - start));
    parts.push_back(statement.substr(start));
    return parts;
}

// Every data block the statement draws, e.g. "$speedup2".
std::vector<std::string> blocks_drawn(const std::string& statement)
{
    std::vector<std::string> names;
    for (std::size_t at = statement.find('$'); at != std::string::npos; at = statement.find('$', at + 1)) {
        std::size_t end = at + 1;
        while (end < statement.size() && std::isalnum(static_cast<unsigned char>(statement[end])))
            ++end;
        names.push_back(statement.substr(at, end - at));
    }
    return names;
}

std::string shape_breach(const std::string& statement)
{
    if (statement.rfind("plot ", 0) != 0)
        return matches_one(statement, statement_patterns) ? "" : "not one of the tool's commands";
    const std::vector<std::string> parts = plot_parts(statement);
    if (!matches_one(parts[0], first_plot_patterns))
        return "a plot that does not start with one of the tool's curves";
    for (std::size_t i = 1; i < parts.size(); ++i)
        if (!matches_one(parts[i], plot_patterns))
            return "a plot element that is not one of the tool's: " + parts[i];
    return "";
}

std::string statement_breach(const std::string& statement, const std::set<std::string>& blocks)
{
    for (const std::string& name : blocks_drawn(statement))
        if (blocks.count(name) == 0)
            return "draws " + name + ", which no data block defines";
    // Normalised statements repeat across scripts; the regular expressions, slow, see each once.
    static std::set<std::string> accepted;
    if (accepted.count(statement) != 0)
        return "";
    std::string breach = shape_breach(statement);
    if (breach.empty())
        accepted.insert(statement);
    return breach;
}

// The name a data block's first line gives it ("$time1 << EOD"), or empty.
std::string block_started(const std::string& line)
{
    const std::string end = " << EOD";
    if (line.size() <= end.size() || line[0] != '$' || line.compare(line.size() - end.size(), end.size(), end) != 0)
        return "";
    const std::string name = line.substr(0, line.size() - end.size());
    const std::vector<std::string> names = blocks_drawn(name);
    return names.size() == 1 && names[0] == name && std::isdigit(static_cast<unsigned char>(name.back())) ? name : "";
}

// Numbers as the tool prints them ("-1.5", "2e+09"), one space apart; by hand, since data rows
// are most of a script.
bool is_data_row(const std::string& row)
{
    std::size_t at = 0;
    for (;;) {
        if (at < row.size() && row[at] == '-')
            ++at;
        const std::size_t digits = at;
        while (at < row.size() && (std::isdigit(static_cast<unsigned char>(row[at])) || row[at] == '.'))
            ++at;
        if (at == digits)
            return false;
        if (at + 2 < row.size() && row[at] == 'e' && (row[at + 1] == '+' || row[at + 1] == '-')) {
            at += 2;
            const std::size_t exponent = at;
            while (at < row.size() && std::isdigit(static_cast<unsigned char>(row[at])))
                ++at;
            if (at == exponent)
                return false;
        }
        if (at == row.size())
            return true;
        if (row[at] != ' ')
            return false;
        ++at;
    }
}

} // namespace

std::string script_breach(const std::string& script)
{
    if (script.empty() || script.back() != '\n')
        return "the script does not end with a line end";
    std::istringstream lines(script);
    std::set<std::string> blocks;
    std::string line, why;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::string where = "line " + std::to_string(number) + ": ";
        if (number == 1 && line.rfind("set terminal ", 0) != 0)
            return where + "the terminal is not set first";
        const std::string name = block_started(line);
        if (!name.empty()) {
            if (!blocks.insert(name).second)
                return where + name + " is defined twice";
            while (std::getline(lines, line) && ++number && line != "EOD")
                if (!is_data_row(line))
                    return "line " + std::to_string(number) + ": a data row that is not numbers only";
            if (line != "EOD")
                return "the data block " + name + " is not closed";
            continue;
        }
        const std::string statement = normalised(line, why);
        if (statement.empty())
            return where + (why.empty() ? "an empty statement" : why);
        const std::string breach = statement_breach(statement, blocks);
        if (!breach.empty())
            return where + breach + " (" + statement + ")";
    }
    return "";
}
