#include "util/PrivateAccess.h"

std::string PrivateAccessSddl(const std::string& userSid, bool elevated)
{
    // P: protected, nothing inherited; OICI: inherited by files and folders made inside;
    // FA: full access.
    std::string sddl = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    if (!elevated && !userSid.empty())
        sddl += "(A;OICI;FA;;;" + userSid + ")";
    return sddl;
}

std::string RandomName(const std::string& prefix, const std::uint8_t (&bytes)[8])
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string name = prefix;
    for (const std::uint8_t b : bytes) {
        name += kDigits[b >> 4];
        name += kDigits[b & 15];
    }
    return name;
}
