#include "ui/MsgBoxLayout.h"

#include <algorithm>

#include "util/KSUB.h"
#include "util/Utils.h"

namespace {

struct ButtonSlot {
    int item; // caption item in the button list
    int code;
};

// Button set -> (caption item, result code) of the first, second and third button.
const std::vector<ButtonSlot> kButtonSets[] = {
    {{0, 1}}, {{0, 1}, {1, 2}}, {{4, 3}, {5, 4}, {6, 5}}, {{2, 6}, {3, 7}, {1, 2}}, {{2, 6}, {3, 7}}, {{5, 4}, {1, 2}},
};

char Upper(char c) { return UpperText(std::string(1, c))[0]; }

} // namespace

std::vector<BoxButton> ButtonsOf(std::uint32_t flags, const std::string& buttonList)
{
    std::vector<BoxButton> buttons;
    const std::uint32_t set = flags & 0xF;
    if (set >= std::size(kButtonSets))
        return buttons;
    for (const auto& slot : kButtonSets[set])
        buttons.push_back({SUB::ListItem(buttonList, slot.item, ""), slot.code});
    return buttons;
}

int DefaultButtonIndex(std::uint32_t flags, int count)
{
    if (count <= 0)
        return -1;
    return static_cast<int>((flags >> 8) & 0xF) % count;
}

int IconChoice(std::uint32_t flags)
{
    const int icon = static_cast<int>(flags & 0xF0);
    return (icon >= 16 && icon <= 64) ? icon : 0;
}

int LineHeight(int fontHeight, int externalLeading, const std::string& face)
{
    return fontHeight + externalLeading + (SameTextTrimmed(face, "MS PGothic") ? 1 : 0);
}

BoxSize MeasureText(const std::string& plain, int lineHeight,
                    const std::function<int(const std::string& line)>& lineExtent)
{
    std::string rest = plain.empty() ? std::string(" ") : plain;
    BoxSize size{0, 0};
    while (!rest.empty()) {
        const auto br = rest.find("\r\n");
        const std::string line = rest.substr(0, br);
        rest = br == std::string::npos ? std::string() : rest.substr(br + 2);
        // A trailing line break adds no line.
        if (line.empty() && rest.empty())
            break;
        const int extent = lineExtent(line);
        size.width = std::max(size.width, extent + 10);
        size.height += (extent / kMaxLineWidth + 1) * lineHeight;
    }
    size.width = std::min(kMaxLineWidth, size.width);
    return size;
}

BoxSize FitTextArea(BoxSize measured, const std::function<BoxSize(BoxSize)>& resize)
{
    int widest = 0;
    for (int i = 0; i <= 20; ++i) {
        const BoxSize tried{measured.width + 10 * i, measured.height};
        const BoxSize asked = resize(tried);
        if (asked.height <= measured.height)
            return tried;
        widest = std::max(widest, asked.width);
    }
    const BoxSize last{widest + 10, measured.height};
    resize(last);
    return last;
}

BoxSize OuterBoxSize(BoxSize textArea, FrameMetrics frame)
{
    const int side = textArea.width < 200 ? 64 : 32;
    const int vertical = textArea.height < 39 ? 45 : 32;
    return {std::max(360, textArea.width + 54 + 2 * side + 2 * frame.frameX),
            textArea.height + 36 + 2 * vertical + 2 * frame.frameY + frame.caption};
}

BoxRect TextAreaRect(BoxSize client, BoxSize textArea)
{
    const int x = 54 + (client.width - 54 - textArea.width) / 2;
    const int y = (client.height - 36 - textArea.height) / 2;
    return {x, y, textArea.width, client.height - y - 39};
}

BoxRect ButtonRect(int index, int count, BoxSize client)
{
    return {client.width - 80 - kButtonWidth * (count - 1 - index), client.height - 29, kButtonWidth, kButtonHeight};
}

int AltKeyButton(const std::vector<BoxButton>& buttons, char ch)
{
    int chosen = -1;
    // Third to first, the last match wins: the first button on a tie.
    for (int i = static_cast<int>(buttons.size()) - 1; i >= 0; --i) {
        const std::string& caption = buttons[i].caption;
        if (caption.size() >= 2 && (caption[1] == ch || caption[1] == Upper(ch)))
            chosen = i;
    }
    return chosen;
}

int LetterKeyButton(const std::vector<BoxButton>& buttons, char letter)
{
    int chosen = -1;
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
        const std::string& caption = buttons[i].caption;
        const auto amp = caption.find('&');
        const std::size_t at = amp == std::string::npos ? 0 : amp + 1;
        if (at < caption.size() && Upper(caption[at]) == Upper(letter))
            chosen = i;
    }
    return chosen;
}

int NextButton(int focused, int count)
{
    if (count <= 0)
        return -1;
    return ((focused + 1) % count + count) % count;
}

int PreviousButton(int focused, int count)
{
    if (count <= 0)
        return -1;
    return ((focused - 1) % count + count) % count;
}
