// tilebench's four parameters, as a user types them on standard input.
#include "bench/parameters.h"
#include "fuzz_check.h"

#include <cstdint>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    int n = 0, b = 0, iterations = 0, threads = 0;
    std::string error;
    if (!read_parameters(input, n, b, iterations, threads, error)) {
        require(is_bounded_line(error, 200), "a refusal is one bounded line", error);
        return 0;
    }
    require(error.empty(), "an accepted input has no error");
    require(n >= 0 && b >= 1 && iterations >= 0,
            "accepted parameters satisfy size >= 0, block_size >= 1 and num_iter >= 0");
    // What was accepted reads back the same from its plain decimal form.
    std::istringstream again(std::to_string(n) + " " + std::to_string(b) + " " + std::to_string(iterations) + " " +
                             std::to_string(threads));
    int n2 = 0, b2 = 0, i2 = 0, t2 = 0;
    require(read_parameters(again, n2, b2, i2, t2, error) && n2 == n && b2 == b && i2 == iterations && t2 == threads,
            "accepted parameters read back the same");
    return 0;
}
