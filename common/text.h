// Small pieces of text handling that several tools share: a list written out for a message or
// a script, a message made one line, and the byte-order mark some editors put before a file's
// first line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The values in order, separator between each two ("1, 2, 4"); empty for none.
std::string joined(const std::vector<std::string>& values, const std::string& separator);
std::string joined(const std::vector<int>& values, const std::string& separator);

// The text with each line end made a space and the trailing spaces dropped: a refusal is one
// line, and CLI11's messages may span several.
std::string one_line(std::string text);

// 3 when text starts with the UTF-8 byte-order mark, 0 otherwise: how many bytes to pass over
// before what the file says.
std::size_t byte_order_mark_size(const std::string& text);
