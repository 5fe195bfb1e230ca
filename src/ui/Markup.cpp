#include "ui/Markup.h"

#include "util/Utils.h"

namespace {

struct Range {
    std::size_t start, end;
};

// Removes a tag and keeps the recorded ranges pointing at the same characters, so that
// they are offsets into the final text even when tags are nested. An offset inside the
// tag (one that erasing an earlier tag put together, as in "<<B>B>") moves to where the
// tag was rather than below it.
void EraseTag(std::string& text, std::size_t at, std::size_t length, std::vector<Range>& ranges)
{
    text.erase(at, length);
    const auto shift = [at, length](std::size_t& offset) {
        if (offset > at)
            offset = offset - at < length ? at : offset - length;
    };
    for (auto& r : ranges) {
        shift(r.start);
        shift(r.end);
    }
}

} // namespace

MarkupText ConvertMarkup(const std::string& markup)
{
    std::string text = ReplaceAll(markup, "\\\\n", "\r\n");
    text = ReplaceAll(text, "\\\\t", "\t");
    text = ReplaceAllCI(text, "<P>", "\r\n");
    text = ReplaceAllCI(text, "<T>", "\t");
    if (text.compare(0, 4, "<<b>") == 0)
        text.erase(0, 1);

    std::vector<Range> ranges;
    while (const auto open = PosCI("<B>", text)) {
        const std::size_t start = open - 1;
        EraseTag(text, start, 3, ranges);
        // The first closing tag anywhere: one that comes before the opening tag closes
        // nothing, and the opening tag is simply dropped.
        const auto close = PosCI("</B>", text);
        if (close == 0 || std::size_t(close - 1) < start)
            continue;
        const std::size_t end = close - 1;
        EraseTag(text, end, 4, ranges);
        ranges.push_back({start, end});
    }
    while (const auto stray = PosCI("</B>", text))
        EraseTag(text, stray - 1, 4, ranges);

    MarkupText result;
    result.plain = std::move(text);
    for (const auto& r : ranges) {
        // Offsets the text area cannot address would make the wrong text bold.
        if (r.end <= 0xFFFF)
            result.bold.push_back({static_cast<std::uint16_t>(r.start), static_cast<std::uint16_t>(r.end)});
    }
    return result;
}
