// The agent's override list of the installed product's description file.
// Properties: parsing sets each byte from a numeric field and leaves the others alone;
// the list written from the bytes parses back to the same bytes, whatever was read.
#include "FuzzInput.h"
#include "agent/Overrides.h"
#include "util/KSUB.h"
#include "util/Utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string list(reinterpret_cast<const char*>(data), size);
    OverrideBytes bytes = FreshOverrides();
    ParseOverrideList(list, bytes);
    for (int i = 0; i < kOverrideCount; ++i) {
        int64_t value = 0;
        if (!TryParseInt64(SUB::ListItem(list, i, ""), value))
            FUZZ_CHECK(bytes[static_cast<size_t>(i)] == kNotOverridden);
        else
            FUZZ_CHECK(bytes[static_cast<size_t>(i)] == static_cast<uint8_t>(value & 0xFF));
    }
    const std::string written = OverrideList(bytes);
    FUZZ_CHECK(SUB::ListCount(written) == kOverrideCount);
    OverrideBytes back{};
    ParseOverrideList(written, back);
    FUZZ_CHECK(back == bytes);
    return 0;
}
