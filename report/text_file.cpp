// Failure reporting for the report writers.
#include "report/text_file.h"

#include "common/platform_files.h"

#include <cerrno>
#include <cstring>

void report_file_failure(const char* action, const char* file_name, int error_number)
{
    std::fprintf(stderr, "tilebench: cannot %s %s: %s\n", action, file_name, std::strerror(error_number));
}

std::FILE* open_report_file(const char* file_name, const char* mode)
{
    std::FILE* fp = open_text_file(file_name, mode);
    if (!fp) {
        report_file_failure("open", file_name, errno);
        return nullptr;
    }
    // Full buffering with a buffer far larger than any single line: a line is handed to the
    // operating system in one write, never split across two.
    std::setvbuf(fp, nullptr, _IOFBF, BUFSIZ);
    return fp;
}

void close_report_file(std::FILE* fp, const char* file_name, bool writes_ok)
{
    const bool stream_failed = !writes_ok || std::ferror(fp);
    const int write_error = errno; // left by the failed fprintf, if one failed
    errno = 0;
    if (std::fclose(fp) != 0)
        report_file_failure("write", file_name, errno);
    else if (stream_failed)
        report_file_failure("write", file_name, write_error != 0 ? write_error : EIO);
}

void append_whole_line(const char* file_name, const std::string& line)
{
    bool open_failed = false;
    const int error = append_whole_text(file_name, line, open_failed);
    if (error != 0)
        report_file_failure(open_failed ? "open" : "write", file_name, error);
}
