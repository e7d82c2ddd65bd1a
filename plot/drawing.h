// Drawing a picture with gnuplot into the requested file, so that a file named in "picture:" is
// always a whole picture: the output is checked before drawing, gnuplot draws into a temporary
// file beside it, and only a whole picture is renamed into place.
#pragma once

#include "plot/output_format.h"

#include <string>

// Runs script, which draws onto standard output, with gnuplot for at most timeout_seconds.
// Empty on success; otherwise one line naming the cause (the output cannot be written, gnuplot
// is missing, failed or did not finish, the picture came out cut short, a stop signal came).
// A stop signal remembered (common/platform_signals.h) is passed on to gnuplot. Whatever the end,
// no temporary file is left behind and gnuplot has ended.
std::string draw_picture(const std::string& output, PictureFormat format, const std::string& script,
                         double timeout_seconds);

// Whether the bytes are a whole picture of the format: a PNG ending in its IEND chunk, an SVG
// closing its svg element, a PDF ending in %%EOF.
bool is_whole_picture(const std::string& bytes, PictureFormat format);
