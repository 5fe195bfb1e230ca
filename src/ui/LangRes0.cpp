// Portable piece of the language file.
#include "ui/LangRes0.h"

std::string UnwrapLanguageValue(const std::string& value)
{
    if (value == "|") return {};
    if (value.size() >= 2 && value.front() == '|' && value.back() == '|') return value.substr(1, value.size() - 2);
    return value;
}
