// An INI text held in memory, read as the system's profile functions read the same
// bytes from a file: a value is looked up once the text has been taken in whole, so a
// caller that checked the bytes (or a signature over them) reads exactly those bytes.
//
//   [Section]        names compared ignoring case; text between "[" and the line's last "]"
//   Key = value      the key up to the first "=" without trailing blanks; the value after
//                    it without surrounding blanks, one pair of enclosing quotes removed
//
// Only the first section of a name counts, and in it the first line of a key. Lines end
// with LF or CR LF; a UTF-8 byte-order mark at the start is skipped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class IniText {
public:
    explicit IniText(std::string_view text);

    // The value; def when the section or key is missing or the value is empty. At most
    // kLongestValue characters, as the system's reader gives them.
    std::string Text(std::string_view section, std::string_view key, const std::string& def) const;
    // The value as a decimal integer; def when it is missing or not a number.
    std::int64_t Int(std::string_view section, std::string_view key, std::int64_t def) const;
    // Whether the section holds the key with "=" (an empty value counts).
    bool Has(std::string_view section, std::string_view key) const;

    static constexpr std::size_t kLongestValue = 10240;

private:
    // The lines that count, in order: later sections of a name already seen are left out.
    struct Entry {
        std::string section; // upper-cased
        std::string key;     // upper-cased
        std::string value;
    };
    const Entry* Find(std::string_view section, std::string_view key) const;

    std::vector<Entry> entries_;
};
