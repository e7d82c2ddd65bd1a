// What the plot tool's gnuplot scripts may hold: each statement one of the tool's own commands,
// with holes only for numbers and single-quoted strings, and data blocks of numbers only. The
// fuzz targets and the tests hold every script to it, so that no text from a file or a name can
// become gnuplot syntax unnoticed.
#pragma once

#include <string>

// Empty when the script is made only of the tool's commands and data blocks; otherwise the
// first line that is not, and why.
std::string script_breach(const std::string& script);
