// The picture formats tilebench-plot draws, chosen by the output's extension, and the pieces of
// a script that name gnuplot's terminal and output and quote text.
#pragma once

#include <string>

enum class PictureFormat { png, svg, pdf };

// ".png", ".svg" or ".pdf", in any case; false for any other name.
bool picture_format(const std::string& file_name, PictureFormat& format);

// gnuplot's terminal for the format, at the given size in pixels (PDF at the same proportions).
std::string terminal_line(PictureFormat format, int width, int height);

// text as a gnuplot string constant that gnuplot takes literally, as shown() shows it: the one
// way text from files and names enters a script.
std::string gnuplot_quoted(const std::string& text);

// The top of a linear axis: top raised by factor, to leave room above what is drawn, or the
// largest finite number where that overflows (figures near the largest a record can hold), so
// that the script always names a number.
double axis_top(double top, double factor);

// A script of the pictures, which draw onto standard output, drawing into file_name instead.
// The name must be as shown() leaves it, or gnuplot would write into another file.
std::string drawing_into(const std::string& script, const std::string& file_name);
