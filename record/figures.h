// How every table of the project writes a figure: one number formatter, so that a value that
// is missing or not finite reads the same in the scan's table and in the plot tool's tables.
#pragma once

#include <cstddef>
#include <string>

// What a table shows for a figure that is missing or not a finite number.
constexpr const char* no_figure = "-";

// format applied to value ("%.3f"); no_figure for NaN and the infinities, whatever the C
// library would write.
std::string figure(const char* format, double value);

// text right-aligned in width columns, never cut; a text as wide as the column or wider still
// gets one space before it, so that absurd figures cannot run two columns together.
std::string column(const std::string& text, std::size_t width);
