#include "common/text.h"

std::string joined(const std::vector<std::string>& values, const std::string& separator)
{
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i)
        text += (i > 0 ? separator : std::string()) + values[i];
    return text;
}

std::string joined(const std::vector<int>& values, const std::string& separator)
{
    std::vector<std::string> texts;
    texts.reserve(values.size());
    for (int value : values)
        texts.push_back(std::to_string(value));
    return joined(texts, separator);
}

std::string one_line(std::string text)
{
    for (char& c : text)
        if (c == '\n')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::size_t byte_order_mark_size(const std::string& text)
{
    return text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
}
