// Writing the comparison's JSON where --output says, whole or not at all, and never through a
// link: the text goes to a new file made beside the output (which cannot be a link someone
// left there), then is renamed over the output's name, which replaces a link rather than
// following it.
#pragma once

#include <string>

// False, with errno, when a step failed; the temporary file is removed and an older file of
// that name is left as it was.
bool write_new_file_over(const std::string& path, const std::string& text);
