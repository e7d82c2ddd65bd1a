#include "common/exit_status.h"

#include "common/platform_system.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>

int guarded_main(const char* program, int (*body)(int, char**), int argc, char** argv) noexcept
{
    occupy_closed_standard_streams();
#if defined(SIGPIPE)
    std::signal(SIGPIPE, SIG_IGN);
#endif
    try {
        return body(argc, argv);
    } catch (const Refusal& refusal) {
        std::fprintf(stderr, "%s: %s\n", program, refusal.message.c_str());
        return refusal.status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
    } catch (...) {
        std::fprintf(stderr, "%s: failed\n", program);
    }
    return exit_failure;
}

bool results_reached_standard_output(const char* program)
{
    errno = 0;
    std::cout.flush();
    const bool stream_failed = !std::cout.good();
    const int stream_error = errno;
    // std::cout hands its text to stdout; what stdout still holds, and any error it met
    // earlier, shows here.
    const bool flush_failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    if (!stream_failed && !flush_failed)
        return true;
    const int error = stream_error != 0 ? stream_error : errno;
    std::fprintf(stderr, "%s: cannot write standard output: %s\n", program,
                 error != 0 ? std::strerror(error) : "write error");
    return false;
}
