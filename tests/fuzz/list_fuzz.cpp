// List strings: counting, reading, key lookup and rewriting an item.
// Properties: an item read is a piece of the list without its delimiter; rewriting item n
// and reading it back gives the value (when a delimiter could be chosen), keeps every
// other item and gives a closed list of max(count, n + 1) items.
#include "FuzzInput.h"
#include "util/KSUB.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> f = Fields(data, size, 4);
    const std::string& list = f[0];
    const std::string& key = f[1];
    const std::string& value = f[2];
    // Items far past the end would only make a long list of empty ones.
    const int n = f[3].empty() ? 0 : static_cast<unsigned char>(f[3][0]) % 40 - 2;

    const int count = SUB::ListCount(list);
    FUZZ_CHECK(count >= 0 && static_cast<size_t>(count) < list.size() + 1);
    for (int i = -1; i <= count; ++i) {
        const std::string item = SUB::ListItem(list, i, "");
        if (!item.empty())
            FUZZ_CHECK(item.find(list[0]) == std::string::npos && list.find(item) != std::string::npos);
        SUB::ListItemInt(list, i, -7);
    }
    const std::string found = SUB::ListValue(list, key, "\x01", "\x02");
    if (found != "\x01" && found != "\x02")
        FUZZ_CHECK(found.find(list[0]) == std::string::npos);

    const std::string rewritten = SUB::ListSetItem(list, n, value);
    if (n < 0) {
        FUZZ_CHECK(rewritten == list);
        return 0;
    }
    const int newCount = SUB::ListCount(rewritten);
    const char d = rewritten[0];
    if (d != '\0') {
        FUZZ_CHECK(newCount == std::max(count, n + 1));
        FUZZ_CHECK(SUB::ListItem(rewritten, n, "") == value);
        for (int i = 0; i < newCount; ++i)
            if (i != n)
                FUZZ_CHECK(SUB::ListItem(rewritten, i, "") == SUB::ListItem(list.empty() ? "|" : list, i, ""));
    }
    return 0;
}
