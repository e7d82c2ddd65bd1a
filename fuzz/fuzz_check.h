// What every fuzz target shares: a property that must always hold, checked so that a breach
// is a finding libFuzzer keeps, with the text that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

inline void require(bool holds, const char* property, const std::string& detail = "")
{
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n%s\n", property, detail.c_str());
    std::abort();
}

// A message fit for one line of standard error: no line end, and bounded whatever the input.
inline bool is_bounded_line(const std::string& text, std::size_t most)
{
    return !text.empty() && text.size() <= most && text.find('\n') == std::string::npos &&
           text.find('\0') == std::string::npos;
}
