// The perf tools' command line: a few optional whole numbers, each 1 or more.
#pragma once

#include <vector>

// Reads argv[1..] into values, keeping the given defaults for arguments not passed. Prints
// usage on standard error and returns false when there are too many or one is not a whole
// number of at least 1.
bool read_positive_arguments(int argc, char** argv, std::vector<int>& values, const char* usage);
