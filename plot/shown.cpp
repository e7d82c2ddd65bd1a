#include "plot/shown.h"

#include <cstdio>

namespace {

// The length of the well-formed UTF-8 sequence at text[at] (overlong forms, surrogates and
// code points past U+10FFFF are not), with its code point; 0 when there is none.
std::size_t utf8_sequence(const std::string& text, std::size_t at, unsigned& code)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    std::size_t length = 0;
    unsigned least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
        least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0u) != 0x80u)
            return 0;
        code = (code << 6) | (next & 0x3Fu);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

// Code points that act on the terminal or on the text around them instead of printing.
bool acts(unsigned code)
{
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

void append_escaped(std::string& out, const std::string& text, std::size_t at, std::size_t length)
{
    for (std::size_t k = 0; k < length; ++k) {
        char escape[5];
        std::snprintf(escape, sizeof(escape), "\\x%02x", static_cast<unsigned char>(text[at + k]));
        out += escape;
    }
}

} // namespace

std::string shown(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        unsigned code = 0;
        const std::size_t length = utf8_sequence(text, at, code);
        if (length == 0) {
            append_escaped(out, text, at, 1);
            ++at;
            continue;
        }
        if (acts(code))
            append_escaped(out, text, at, length);
        else
            out.append(text, at, length);
        at += length;
    }
    return out;
}
