// What a program was built from and with, recorded when the build was configured: the version
// line of every program and the "build" part of a scan's record.
#pragma once

#include <string>

struct BuildInfo {
    std::string version;        // the project's version
    std::string revision;       // git revision of the source tree, "unknown" outside a checkout
    std::string compiler;       // e.g. "GNU 12.2.0"
    std::string build_type;     // e.g. "Release"
    std::string kernel_flags;   // every flag the kernels are compiled with
    std::string openmp_runtime; // the OpenMP libraries linked, e.g. "gomp"
    long openmp_version = 0;    // _OPENMP, e.g. 201511 for OpenMP 4.5
    bool optimised = false;     // a Release build without sanitizers
};

BuildInfo build_info();

// "<program> <version> (revision <revision>)", the first line of --version.
std::string version_line(const char* program);
