// Text read from files and names, made fit to show on a terminal or in a picture: whatever a
// record or a file name holds, it can neither steer the terminal nor break a line.
#pragma once

#include <string>

// text with every byte that could act rather than print as a \xNN escape of each of its bytes:
// C0 and C1 control characters (a line end, a tab, ESC included), DEL, the bidirectional
// overrides that reorder what follows, and bytes that are not well-formed UTF-8. Printable
// ASCII and other well-formed UTF-8 are kept, a backslash too, so that text already escaped
// passes unchanged.
std::string shown(const std::string& text);
