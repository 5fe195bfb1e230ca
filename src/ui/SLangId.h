// Language names from Windows language numbers.
#pragma once

#include <string>

// "|AFRIKAANS    = 54|ALBANIAN     = 28|...": 51 items, name = number.
extern const char* const kLanguageNameTable;

// The name of the first item whose number contains the number's text (one-digit numbers
// get a leading zero); empty when none does.
std::string LanguageName(int number);

// Windows only: the name for the primary language of this thread's locale (ENGLISH when
// the locale cannot be read).
std::string SystemLanguageName();
