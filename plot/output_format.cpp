#include "plot/output_format.h"

#include <cctype>
#include <cstdio>

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
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}
