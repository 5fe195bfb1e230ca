#include "util/CodePage.h"

#include <windows.h>

bool IsLeadByte(char c) { return ::IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE; }

void UpperInPlace(std::string& text)
{
    if (!text.empty())
        ::CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
}
