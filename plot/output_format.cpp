#include "plot/output_format.h"

#include "plot/shown.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

bool picture_format(const std::string& file_name, PictureFormat& format)
{
    const std::size_t dot = file_name.rfind('.');
    if (dot == std::string::npos || file_name.find('/', dot) != std::string::npos)
        return false;
    std::string extension = file_name.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "png")
        format = PictureFormat::png;
    else if (extension == "svg")
        format = PictureFormat::svg;
    else if (extension == "pdf")
        format = PictureFormat::pdf;
    else
        return false;
    return true;
}

std::string terminal_line(PictureFormat format, int width, int height)
{
    char line[160];
    switch (format) {
    case PictureFormat::svg:
        std::snprintf(line, sizeof(line), "set terminal svg size %d,%d dynamic enhanced font 'sans,12'\n", width,
                      height);
        break;
    case PictureFormat::pdf:
        std::snprintf(line, sizeof(line), "set terminal pdfcairo size %.2fin,%.2fin enhanced font 'sans,9'\n",
                      width / 100.0, height / 100.0);
        break;
    case PictureFormat::png:
        std::snprintf(line, sizeof(line), "set terminal pngcairo size %d,%d enhanced font 'sans,11'\n", width, height);
        break;
    }
    return line;
}

std::string gnuplot_quoted(const std::string& text)
{
    // Single quotes, because inside them gnuplot runs no backquoted command, expands no @macro
    // and reads no backslash escape; a quote is doubled. What shown() leaves has no line end,
    // no NUL and no other control character, so the string cannot end its line either.
    std::string out = "'";
    for (char c : shown(text)) {
        out += c;
        if (c == '\'')
            out += c;
    }
    return out + "'";
}

std::string drawing_into(const std::string& script, const std::string& file_name)
{
    // Relative names start with "./": gnuplot pipes into a command for a name that starts with
    // '|' and may read a leading '~' as the home directory.
    const std::string name = file_name.rfind('/', 0) == 0 ? file_name : "./" + file_name;
    const std::size_t after_terminal = script.find('\n') + 1;
    return script.substr(0, after_terminal) + "set output " + gnuplot_quoted(name) + "\n" +
           script.substr(after_terminal);
}

double axis_top(double top, double factor)
{
    const double raised = top * factor;
    return std::isfinite(raised) ? raised : std::numeric_limits<double>::max();
}
