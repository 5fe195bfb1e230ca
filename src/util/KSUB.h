// List strings: a text whose first character is the delimiter and whose items stand
// between delimiters, numbered from 0 ("|a|b|c|" holds a, b and c). Items may be
// key=value pairs. SUB holds no state and is never instantiated.
#pragma once

#include <cstdint>
#include <string>

class SUB {
public:
    SUB() = delete;

    // Items of a closed list (last character equals the first); 0 otherwise.
    static int ListCount(const std::string& list);
    // Item n; def when the list is empty, n is out of range or the item is empty.
    static std::string ListItem(const std::string& list, int n, const std::string& def);
    // Item n as a decimal integer; def when missing or not a number.
    static int64_t ListItemInt(const std::string& list, int n, int64_t def);
    // Value of the first item "key=value" (key ignoring case, blanks around it ignored).
    static std::string ListValue(const std::string& list, const std::string& key, const std::string& notFound,
                                 const std::string& whenEmpty);
    // A new list with item n set to value, keeping the delimiter when it can.
    static std::string ListSetItem(const std::string& list, int n, const std::string& value);
};
