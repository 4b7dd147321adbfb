#pragma once

namespace kelmor {

// Metafile text is 8-bit in the font's character set; the writer asks for the ANSI set,
// Windows-1252. Characters it lacks become '?'; control characters become blanks.
char ToWindows1252(char32_t codePoint);

}  // namespace kelmor
