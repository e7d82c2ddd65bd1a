#include "bench/command_line.h"

#include "common/build_info.h"
#include "common/exit_status.h"

#include <ostream>
#include <string>

const char* const tilebench_usage =
    "Usage: tilebench [--help] [--version]\n"
    "Measures how much a tiled matrix product gains from OpenMP threads. Reads four whole numbers\n"
    "from standard input, separated by any white space: size block_size num_iter max_threads.\n"
    "\n"
    "Parameters (standard input):\n"
    "  size         order n of the square matrices, 0 or more\n"
    "  block_size   edge of the square tiles, 1 or more\n"
    "  num_iter     timed runs for the baseline and for each thread count, 0 or more\n"
    "  max_threads  thread counts 2 to max_threads - 1 are swept\n"
    "\n"
    "Options:\n"
    "  --help       print this help and exit\n"
    "  --version    print the version and the revision it was built from, and exit\n"
    "\n"
    "Every run's time goes to standard output; one row per thread count is appended to ./out.csv\n"
    "(nbThreads,size,executionTime,speedUp,efficacity,realEfficacity), never a header.\n"
    "Warnings and refusals go to standard error.\n"
    "\n"
    "Exit status:\n"
    "  0  done (a row that could not be written is said on standard error)\n"
    "  1  an unforeseen failure: one line, or the OpenMP runtime's own message\n"
    "  2  bad input, or a thread count the system cannot give\n"
    "  3  the matrices do not fit in memory\n";

const char* const waiting_hint =
    "tilebench: waiting for size block_size num_iter max_threads on standard input (tilebench --help "
    "says more)\n";

int answer_arguments(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    if (argc <= 1)
        return -1;
    const std::string argument = argv[1];
    if (argc == 2 && argument == "--help") {
        out << tilebench_usage;
        return exit_ok;
    }
    if (argc == 2 && argument == "--version") {
        out << version_line("tilebench") << "\n";
        return exit_ok;
    }
    err << "tilebench: unknown argument '" << argument << "'\n" << tilebench_usage;
    return exit_bad_input;
}
