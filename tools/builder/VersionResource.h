// The version information resource (what a file's properties show and deployment tools
// read): the fixed numbers and one table of texts in US English, Unicode.
//
// Every part is a block: length (2), value length (2), type (2: 1 text, 0 binary), key
// (UTF-16, NUL-ended), padding to 4, value, padding to 4, child blocks.
//   VS_VERSION_INFO   value: the fixed file information (52 bytes)
//     StringFileInfo
//       040904B0      one String block per text (value length in characters with the NUL)
//     VarFileInfo
//       Translation   value: language 0x0409, code page 1200
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using VersionNumber = std::array<uint16_t, 4>;

// "1", "1.2", "1.2.3" or "1.2.3.4" with parts from 0 to 65535 (missing parts are 0);
// false for anything else.
bool ParseVersionNumber(const std::string& text, VersionNumber& out);

// UTF-8 to UTF-16; false for bytes that are not UTF-8.
bool Utf8ToUtf16(const std::string& text, std::u16string& out);

// The resource's bytes; texts are (key, UTF-8 value) pairs, written in the order given.
// Empty when it would not fit the format's 16-bit lengths.
std::string VersionResource(const VersionNumber& file, const VersionNumber& product,
                            const std::vector<std::pair<std::string, std::string>>& texts);
