// The user's language on Windows.
#include <windows.h>

#include "ui/SLangId.h"

std::string SystemLanguageName()
{
    LCID locale = ::GetThreadLocale();
    return LanguageName(locale != 0 ? static_cast<int>(locale & 0x3FF) : 9);
}
