// The message texts' markup and the message box laid out on fixed font metrics (7 pixels a
// character, 13-pixel lines), with buttons from a flag word and a caption list.
// Properties: bold ranges are ordered and inside the plain text, and no closing tag is
// left in it; the text area is at most the line limit wide and a whole number of lines
// high (at least one line unless the text is only line breaks); the box is at least 360 wide and holds the text area;
// buttons and keys choose only buttons that exist; focus moves stay on a button.
#include <algorithm>

#include "FuzzInput.h"
#include "ui/Markup.h"
#include "ui/MsgBoxLayout.h"
#include "util/Utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> f = Fields(data, size, 3);
    const MarkupText text = ConvertMarkup(f[2]);
    for (const BoldRange& r : text.bold)
        FUZZ_CHECK(r.start <= r.end && r.end <= text.plain.size());
    FUZZ_CHECK(PosCI("</B>", text.plain) == 0);

    constexpr int kLine = 13;
    const auto extent = [](const std::string& line) {
        return static_cast<int>(std::min<size_t>(line.size(), 1u << 20)) * 7;
    };
    const BoxSize measured = MeasureText(text.plain, kLine, extent);
    FUZZ_CHECK(measured.width >= 0 && measured.width <= kMaxLineWidth);
    // Only line breaks and nothing else measure as no line at all.
    FUZZ_CHECK(measured.height % kLine == 0 &&
               (measured.height >= kLine || text.plain.find_first_not_of("\r\n") == std::string::npos));
    // A resize that asks for one line more until the area is wide enough for bold text.
    const int needed = measured.width + 10 * (static_cast<int>(text.bold.size()) % 25);
    const BoxSize area = FitTextArea(measured, [&](BoxSize tried) {
        return BoxSize{tried.width, tried.width >= needed ? measured.height : measured.height + kLine};
    });
    FUZZ_CHECK(area.height == measured.height && area.width >= measured.width);

    const BoxSize outer = OuterBoxSize(area, FrameMetrics{4, 4, 19});
    FUZZ_CHECK(outer.width >= 360 && outer.width >= area.width && outer.height > area.height);
    const BoxSize client{outer.width - 8, outer.height - 27};
    const BoxRect rect = TextAreaRect(client, area);
    FUZZ_CHECK(rect.x >= 54 && rect.x + rect.width <= client.width && rect.y >= 0);

    uint32_t flags = 0;
    for (size_t i = 0; i < 4 && i < f[0].size(); ++i)
        flags |= static_cast<uint32_t>(static_cast<unsigned char>(f[0][i])) << (8 * i);
    const std::vector<BoxButton> buttons = ButtonsOf(flags, f[1]);
    const int count = static_cast<int>(buttons.size());
    FUZZ_CHECK(count <= 3);
    const int focused = DefaultButtonIndex(flags, count);
    FUZZ_CHECK(count == 0 ? focused == -1 : focused >= 0 && focused < count);
    FUZZ_CHECK(NextButton(focused, count) < count && PreviousButton(focused, count) < count);
    for (int i = 0; i < count; ++i) {
        const BoxRect b = ButtonRect(i, count, client);
        FUZZ_CHECK(b.x + b.width <= client.width);
    }
    for (unsigned char c : f[2].substr(0, 16)) {
        const int alt = AltKeyButton(buttons, static_cast<char>(c));
        const int letter = LetterKeyButton(buttons, static_cast<char>(c));
        FUZZ_CHECK(alt >= -1 && alt < count && letter >= -1 && letter < count);
    }
    IconChoice(flags);
    return 0;
}
