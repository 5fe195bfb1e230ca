#include "agent/Overrides.h"

#include "util/KSUB.h"
#include "util/Utils.h"

OverrideBytes FreshOverrides()
{
    OverrideBytes bytes;
    bytes.fill(kNotOverridden);
    return bytes;
}

std::string OverrideList(const OverrideBytes& bytes)
{
    std::string list = "|";
    for (std::uint8_t b : bytes)
        list += std::to_string(b) + "|";
    return list;
}

void ParseOverrideList(const std::string& list, OverrideBytes& bytes)
{
    for (int i = 0; i < kOverrideCount; ++i) {
        // Any number sets its low byte (-1 is 255, not overridden); other text leaves the byte.
        std::int64_t value = 0;
        if (TryParseInt64(SUB::ListItem(list, i, ""), value))
            bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value & 0xFF);
    }
}
