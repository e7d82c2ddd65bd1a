#include "common/build_info.h"

#include "build_values.h" // written by CMake when the build is configured

#if defined(_OPENMP)
constexpr long openmp_macro = _OPENMP;
#else
constexpr long openmp_macro = 0;
#endif

BuildInfo build_info()
{
    BuildInfo info;
    info.version = TILEBENCH_VERSION;
    info.revision = TILEBENCH_REVISION;
    info.compiler = TILEBENCH_COMPILER;
    info.build_type = TILEBENCH_BUILD_TYPE;
    info.kernel_flags = TILEBENCH_KERNEL_FLAGS;
    info.openmp_runtime = TILEBENCH_OPENMP_RUNTIME;
    info.openmp_version = openmp_macro;
    info.optimised = TILEBENCH_OPTIMISED;
    return info;
}

std::string version_line(const char* program)
{
    return std::string(program) + " " + TILEBENCH_VERSION + " (revision " + TILEBENCH_REVISION + ")";
}
