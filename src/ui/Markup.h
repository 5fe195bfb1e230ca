// The message texts' small markup: line breaks, tabs and bold runs, turned into the plain
// text that the box's rich-text area shows plus the character ranges to make bold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Offsets into the plain text, start inclusive, end exclusive; a CR LF counts two.
// The text area addresses characters with 16-bit numbers.
struct BoldRange {
    std::uint16_t start;
    std::uint16_t end;
    bool operator==(const BoldRange& o) const { return start == o.start && end == o.end; }
};

struct MarkupText {
    std::string plain;
    std::vector<BoldRange> bold;
};

// "\\n" and "\\t" (exact case), "<P>", "<T>", "<B>" ... "</B>" (any case); "<<b>" at
// the very start stands for "<b>", so that a heading can be bold without the tag being
// taken for a literal "<".
MarkupText ConvertMarkup(const std::string& markup);
