// Sources made up for the tests of runs side by side.
#pragma once

#include <string>

/// Source i of a generated tree: one to four functions, with calls before
/// the first head (every 7th), a Shift-JIS comment (every 11th), a UTF-8
/// one (every 13th) and a function left open at the end (every 17th).
std::string SideBySideSource(int i);
