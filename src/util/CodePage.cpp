#include "util/CodePage.h"

bool IsLeadByte(char) { return false; }

void UpperInPlace(std::string& text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
}
