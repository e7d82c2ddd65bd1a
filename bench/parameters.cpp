// Reading and checking the run's parameters before anything is built, so that a mistyped
// number ends the run with a clear word instead of a hang, a crash or a bogus row in out.csv.
#include "bench/parameters.h"

#include "common/parse.h"

#include <istream>

namespace {

const char* const parameter_names[] = {"size", "block_size", "num_iter", "max_threads"};

bool parse_parameter(const std::string& token, int& value, const char* name, std::string& error)
{
    switch (parse_int32(token, value)) {
    case ParseStatus::ok:
        return true;
    case ParseStatus::out_of_range:
        error = std::string(name) + " " + quoted_token(token) + " does not fit in a 32-bit integer";
        return false;
    case ParseStatus::not_a_number:
        break;
    }
    error = std::string(name) + " must be a whole number, got '" + quoted_token(token) + "'";
    return false;
}

} // namespace

bool read_parameters(std::istream& input, int& size, int& block_size, int& num_iter, int& max_threads,
                     std::string& error)
{
    int* const targets[] = {&size, &block_size, &num_iter, &max_threads};
    for (int p = 0; p < 4; ++p) {
        std::string token;
        if (!(input >> token)) {
            error = std::string("missing ") + parameter_names[p] + ": the input ended after " + std::to_string(p) +
                    (p == 1 ? " number" : " numbers") + " (expected: size block_size num_iter max_threads)";
            return false;
        }
        if (!parse_parameter(token, *targets[p], parameter_names[p], error))
            return false;
    }
    if (size < 0) {
        error = "size must be 0 or more, got " + std::to_string(size);
        return false;
    }
    if (block_size < 1) {
        error = "block_size must be 1 or more, got " + std::to_string(block_size);
        return false;
    }
    // No run at all is a figure that is not a number, which says so; a negative count would
    // divide by it and write -0.000000, a mean time that looks measured.
    if (num_iter < 0) {
        error = "num_iter must be 0 or more, got " + std::to_string(num_iter);
        return false;
    }
    return true;
}
