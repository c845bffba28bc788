// Family names as the text between the double quotes of a script string.
#pragma once

#include <cstddef>

// The bytes that write_script_string writes for `name` (no quotes, no
// terminator). At most 6 bytes for each byte of the name.
std::size_t script_string_length(const char* name);

// Writes `name` so that the script reads it back byte for byte: a double
// quote and a backslash get a backslash, every control character and the
// line separators U+2028 / U+2029 become \uXXXX, and so does a byte that is
// not part of well-formed UTF-8 (as the Latin-1 character of its value, so
// the script stays valid); every other byte is kept.
// Returns the end of what it wrote; writes no terminator.
char* write_script_string(char* out, const char* name);
