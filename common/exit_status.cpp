#include "common/exit_status.h"

#include <cstdio>
#include <exception>

int guarded_main(const char* program, int (*body)(int, char**), int argc, char** argv) noexcept
{
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
