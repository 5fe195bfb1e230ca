// The ANSI code page as the text helpers see it. On Windows the system answers, so a
// double-byte character whose second byte is a backslash stays whole and accented
// letters are upper-cased; elsewhere (native tests and tools) the single-byte view
// applies: no lead bytes, ASCII letters only.
#pragma once

#include <string>

// True when c starts a double-byte character in the system code page.
bool IsLeadByte(char c);
// Upper-cases the text in place with the system's rules.
void UpperInPlace(std::string& text);
