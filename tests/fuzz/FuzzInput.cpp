#include "FuzzInput.h"

#include <cstring>

std::vector<std::string> Fields(const uint8_t* data, size_t size, size_t count)
{
    std::vector<std::string> fields(count);
    const char* at = reinterpret_cast<const char*>(data);
    const char* end = at + size;
    for (size_t i = 0; i < count && at < end; ++i) {
        const char* cut = i + 1 < count ? static_cast<const char*>(std::memchr(at, '\0', end - at)) : nullptr;
        fields[i].assign(at, cut ? cut : end);
        at = cut ? cut + 1 : end;
    }
    return fields;
}

TFileReader MemoryFile(const std::string& bytes)
{
    static char none = 0;
    return TFileReader(fmemopen(bytes.empty() ? &none : const_cast<char*>(bytes.data()), bytes.size(), "r"));
}
