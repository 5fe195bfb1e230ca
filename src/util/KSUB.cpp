#include "util/KSUB.h"

#include <vector>

#include "util/Utils.h"

namespace {

// Tried in this order when a new value contains the list's own delimiter.
const char kCandidates[] = "|*^!~@#$&\xFF";

// Blanks after a delimiter and before "=" do not belong to keys; every such blank goes.
std::string WithoutKeyBlanks(const std::string& list, char d)
{
    const std::string dBlank = std::string(1, d) + " ";
    const std::string dOnly(1, d);
    std::string w = list;
    for (std::string prev; prev != w;) {
        prev = w;
        w = ReplaceAll(ReplaceAll(w, dBlank, dOnly), " =", "=");
    }
    return w;
}

} // namespace

int SUB::ListCount(const std::string& list)
{
    if (list.size() < 2 || list.front() != list.back())
        return 0;
    int n = 0;
    for (size_t i = 1; i < list.size(); ++i)
        if (list[i] == list[0])
            ++n;
    return n;
}

std::string SUB::ListItem(const std::string& list, int n, const std::string& def)
{
    if (list.empty() || list == std::string(1, '\0') || n < 0)
        return def;
    const char d = list[0];
    int item = 0;
    size_t start = 1;
    for (size_t i = 1; i < list.size(); ++i) {
        if (list[i] != d)
            continue;
        if (item == n) {
            const std::string r = list.substr(start, i - start);
            return r.empty() ? def : r;
        }
        ++item;
        start = i + 1;
    }
    return def; // text after the last delimiter of an open list is no item
}

int64_t SUB::ListItemInt(const std::string& list, int n, int64_t def) { return ParseInt64(ListItem(list, n, ""), def); }

std::string SUB::ListValue(const std::string& list, const std::string& key, const std::string& notFound,
                           const std::string& whenEmpty)
{
    if (list.size() <= 2 || list.front() != list.back())
        return notFound;
    const char d = list[0];
    std::string searchKey = std::string(1, d) + key;
    if (!EndsWith("=", searchKey, false))
        searchKey += "=";
    const std::string w = WithoutKeyBlanks(list, d);
    const int at = PosCI(searchKey, w);
    if (at == 0)
        return notFound;
    const size_t from = static_cast<size_t>(at) - 1 + searchKey.size();
    const size_t end = w.find(d, from);
    const std::string value = w.substr(from, end == std::string::npos ? std::string::npos : end - from);
    return value.empty() ? whenEmpty : value;
}

std::string SUB::ListSetItem(const std::string& list, int n, const std::string& value)
{
    if (n < 0)
        return list; // there is no such item to set
    const std::string source = list.empty() ? "|" : list;
    const char d = source[0];
    int count = ListCount(source);
    if (n >= count)
        count = n + 1;

    std::vector<std::string> items;
    items.reserve(count);
    for (int i = 0; i < count; ++i)
        items.push_back(i == n ? value : ListItem(source, i, ""));

    auto occurs = [&items](char c) {
        for (const std::string& it : items)
            if (it.find(c) != std::string::npos)
                return true;
        return false;
    };
    // Joining the items (rather than replacing a temporary delimiter character)
    // keeps any such character that an item itself holds.
    char delimiter = d;
    if (occurs(d)) {
        delimiter = '\0';
        for (const char* c = kCandidates; *c; ++c)
            if (!occurs(*c)) {
                delimiter = *c;
                break;
            }
    }
    std::string r(1, delimiter);
    for (const std::string& it : items)
        r += it + delimiter;
    return r;
}
