// The one way the report writers touch files: open, write, close, and say on standard error
// when any of it fails, so that a lost row is never silent.
#pragma once

#include <cstdio>
#include <string>

// Prints "tilebench: cannot <action> <file_name>: <reason>" on standard error.
void report_file_failure(const char* action, const char* file_name, int error_number);

// Opens file_name in text mode with mode ("w" or "a"); on failure reports it and returns nullptr.
std::FILE* open_report_file(const char* file_name, const char* mode);

// Closes fp; reports a failure if any earlier write failed or the close itself fails (the
// buffered text only reaches the file at the close, so that is where a full disk shows).
void close_report_file(std::FILE* fp, const char* file_name, bool writes_ok);

// Appends line to the file whole or not at all, and says on standard error when it could not.
void append_whole_line(const char* file_name, const std::string& line);

// printf-style formatting into a string; at most a few hundred characters.
template <typename... Fields>
std::string formatted(const char* format, Fields... fields)
{
    char text[1600];
    std::snprintf(text, sizeof(text), format, fields...);
    return text;
}

// One formatted line in its own open-write-close (the header, which starts the file afresh).
template <typename... Fields>
void write_single_line(const char* file_name, const char* mode, const char* format, Fields... fields)
{
    std::FILE* fp = open_report_file(file_name, mode);
    if (!fp)
        return;
    const bool written = std::fprintf(fp, format, fields...) >= 0;
    close_report_file(fp, file_name, written);
}
