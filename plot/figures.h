// How the plot tool writes a figure into a table or a script.
#pragma once

#include <string>

// format applied to value ("%.3f"); "nan", "inf" or "-inf" for values that are not finite,
// whatever the C library would write.
std::string figure(const char* format, double value);

// text right-aligned in width columns, never cut; a text as wide as the column or wider still
// gets one space before it, so that absurd figures cannot run two columns together.
std::string column(const std::string& text, std::size_t width);
