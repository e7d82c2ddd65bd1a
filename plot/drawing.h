// Drawing a picture with gnuplot into the requested file, so that a file named in "picture:" is
// always a whole picture: the output is checked before drawing, gnuplot draws into a temporary
// file beside it, and only a whole picture is renamed into place.
#pragma once

#include "plot/output_format.h"

#include <functional>
#include <string>

// Empty on success; otherwise one line naming the cause (the output cannot be written, gnuplot
// is missing or failed, the picture came out cut short). script_for gives the script that
// draws into the file it is handed.
std::string draw_picture(const std::string& output, PictureFormat format,
                         const std::function<std::string(const std::string&)>& script_for);

// Whether the bytes are a whole picture of the format: a PNG ending in its IEND chunk, an SVG
// closing its svg element, a PDF ending in %%EOF.
bool is_whole_picture(const std::string& bytes, PictureFormat format);
