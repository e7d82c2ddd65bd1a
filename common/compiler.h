// The one attribute whose spelling differs between the compilers this code is built with.
#pragma once

#if defined(_MSC_VER)
#define TILEBENCH_NOINLINE __declspec(noinline)
#else
#define TILEBENCH_NOINLINE __attribute__((noinline))
#endif
