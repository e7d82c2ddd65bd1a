#include "record/figures.h"

#include <cmath>
#include <cstdio>

std::string figure(const char* format, double value)
{
    if (!std::isfinite(value))
        return no_figure;
    char text[400]; // "%.6f" of the largest double has 316 characters
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

std::string column(const std::string& text, std::size_t width)
{
    return text.size() >= width ? " " + text : std::string(width - text.size(), ' ') + text;
}
