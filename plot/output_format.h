// The picture formats tilebench-plot draws, chosen by the output's extension.
#pragma once

#include <string>

enum class PictureFormat { png, svg, pdf };

// ".png", ".svg" or ".pdf", in any case; false for any other name.
bool picture_format(const std::string& file_name, PictureFormat& format);

// gnuplot's terminal for the format, at the given size in pixels (PDF at the same proportions).
std::string terminal_line(PictureFormat format, int width, int height);

// The name gnuplot reads inside double quotes, kept literal.
std::string gnuplot_quoted(const std::string& text);
