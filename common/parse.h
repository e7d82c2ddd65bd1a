// The readings of numbers. Those typed or edited by hand are numbers as a whole or not at all,
// so "12abc" or " 12" is refused rather than read as 12; a system file's one number is read
// as the system writes it.
#pragma once

#include <string>

enum class ParseStatus { ok, not_a_number, out_of_range };

// An optional '+' or '-', then decimal digits, nothing else; the value must fit in 32 bits.
ParseStatus parse_int32(const std::string& text, int& value);

// What "%lf" and "%g" write, "nan", "-nan", "inf" and "-inf" included, and nothing else
// (no leading space, no hexadecimal).
bool parse_figure(const std::string& text, double& value);

// Text of a token fit to quote in a one-line message: bytes that are not printable ASCII as
// \xNN escapes, and at most max_chars characters of that (then "..." and the token's length).
std::string quoted_token(const std::string& text, std::size_t max_chars = 40);

// The first whole number of a one-number system file (cgroup's memory.max or pids.current,
// threads-max), white space and a trailing line end allowed; -1 for "max", a negative number
// or nothing.
long long leading_number(const std::string& text);
