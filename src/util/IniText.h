// An INI text held in memory, read as the system's profile functions read a file: a
// release description is checked as bytes and then read from those same bytes, never
// from a file that could have changed since.
#pragma once

#include <string>

// The value of key in section: section and key names ignore case and surrounding
// blanks, the first section and the first key of that name count, the value is trimmed
// and loses one pair of enclosing quotes. def when the section or key is missing.
std::string IniValue(const std::string& text, const std::string& section, const std::string& key,
                     const std::string& def);
// Whether section holds key at all (an empty value counts).
bool IniHasKey(const std::string& text, const std::string& section, const std::string& key);
