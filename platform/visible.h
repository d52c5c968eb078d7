// Bytes of the serial line as text that shows every byte and reads back
// exactly: printable ASCII as itself, a backslash or a double quote
// after a backslash, CR as \r, LF as
// \n, every other byte (NUL, control, 8-bit) as \xNN.
#pragma once

#include <string>
#include <string_view>

std::string visible_bytes(std::string_view bytes);
// The bytes back from visible_bytes' text; false on a malformed escape.
bool bytes_from_visible(std::string_view text, std::string* bytes);
