#include "ui/MsgBoxLayout.h"

#include <gtest/gtest.h>

namespace {

std::vector<BoxButton> Buttons(std::initializer_list<const char*> captions)
{
    std::vector<BoxButton> buttons;
    int code = 1;
    for (const char* c : captions)
        buttons.push_back({c, code++});
    return buttons;
}

TEST(MsgBoxLayout, ButtonSets)
{
    struct Case {
        std::uint32_t flags;
        std::vector<std::pair<std::string, int>> buttons;
    };
    const Case cases[] = {
        {0, {{"&OK", 1}}},
        {1, {{"&OK", 1}, {"&Cancel", 2}}},
        {2, {{"&Abort", 3}, {"&Retry", 4}, {"&Ignore", 5}}},
        {3, {{"&Yes", 6}, {"&No", 7}, {"&Cancel", 2}}},
        {4 | 0x20 | 0x100, {{"&Yes", 6}, {"&No", 7}}},
        {5, {{"&Retry", 4}, {"&Cancel", 2}}},
        {6, {}},
        {15, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::string, int>> got;
        for (const auto& b : ButtonsOf(c.flags, kDefaultButtonList))
            got.emplace_back(b.caption, b.code);
        EXPECT_EQ(got, c.buttons) << "flags " << c.flags;
    }
    // A translation with too few items leaves the missing captions empty.
    const auto translated = ButtonsOf(4, "|&Ja|&Abbrechen|&Si|");
    ASSERT_EQ(translated.size(), 2u);
    EXPECT_EQ(translated[0].caption, "&Si");
    EXPECT_EQ(translated[1].caption, "");
}

TEST(MsgBoxLayout, DefaultButtonAndIcon)
{
    EXPECT_EQ(DefaultButtonIndex(0x100, 2), 1);
    EXPECT_EQ(DefaultButtonIndex(0x200, 2), 0); // modulo the count
    EXPECT_EQ(DefaultButtonIndex(0x200, 3), 2);
    EXPECT_EQ(DefaultButtonIndex(0x100, 0), -1);
    const std::pair<std::uint32_t, int> icons[] = {{0x10, 16}, {0x24, 32}, {0x30, 48}, {0x40, 64},
                                                   {0x00, 0},  {0x50, 0},  {0xF0, 0}};
    for (const auto& [flags, icon] : icons)
        EXPECT_EQ(IconChoice(flags), icon) << flags;
}

TEST(MsgBoxLayout, MeasuresLinesWithTheWidthLimit)
{
    const auto tenPerChar = [](const std::string& line) { return 10 * static_cast<int>(line.size()); };
    struct Case {
        std::string text;
        BoxSize size;
    };
    const Case cases[] = {
        {"", {20, 13}}, // measured as a single blank
        {"ERROR\r\n\r\nDisk full\r\n", {100, 39}},
        {"a\r\n\r\n", {20, 13}}, // trailing line breaks add nothing
        {std::string(59, 'x'), {600, 13}},
        {std::string(60, 'x'), {600, 26}},  // exactly at the limit: two lines high
        {std::string(100, 'x'), {600, 26}}, // 1,000 pixels: two lines
        {std::string(121, 'x') + "\r\nshort", {600, 39 + 13}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MeasureText(c.text, 13, tenPerChar), c.size) << c.text;

    EXPECT_EQ(LineHeight(13, 0, "Tahoma"), 13);
    EXPECT_EQ(LineHeight(12, 1, " ms pgothic "), 14);
}

TEST(MsgBoxLayout, FitsBoldTextByWidening)
{
    // The fake text area needs `need` pixels of width to fit in one line height.
    const auto area = [](int need, std::vector<BoxSize>& tried) {
        return [need, &tried](BoxSize size) {
            tried.push_back(size);
            return BoxSize{size.width, size.width >= need ? size.height : size.height + 13};
        };
    };
    std::vector<BoxSize> tried;
    EXPECT_EQ(FitTextArea({100, 13}, area(90, tried)), (BoxSize{100, 13}));
    EXPECT_EQ(tried.size(), 1u);

    tried.clear();
    EXPECT_EQ(FitTextArea({100, 13}, area(135, tried)), (BoxSize{140, 13}));
    EXPECT_EQ(tried.size(), 5u);

    // Never fits: 21 tries, then the widest reported width plus 10.
    tried.clear();
    EXPECT_EQ(FitTextArea({100, 13}, area(1000, tried)), (BoxSize{310, 13}));
    ASSERT_EQ(tried.size(), 22u);
    EXPECT_EQ(tried.back(), (BoxSize{310, 13}));
}

TEST(MsgBoxLayout, BoxGeometry)
{
    const FrameMetrics frame{4, 4, 19};
    struct Case {
        BoxSize text, outer;
    };
    const Case cases[] = {
        {{300, 50}, {300 + 54 + 64 + 8, 50 + 36 + 64 + 8 + 19}},
        {{199, 39}, {199 + 54 + 128 + 8, 39 + 36 + 64 + 8 + 19}}, // narrow: side margins 64
        {{250, 38}, {250 + 54 + 64 + 8, 38 + 36 + 90 + 8 + 19}},  // low: vertical margins 45
        {{100, 13}, {360, 13 + 36 + 90 + 8 + 19}},                // never narrower than 360
        {{0, 0}, {360, 36 + 90 + 8 + 19}},                        // no text area
        {{610, 26}, {610 + 54 + 64 + 8, 26 + 36 + 90 + 8 + 19}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OuterBoxSize(c.text, frame), c.outer) << c.text.width;

    EXPECT_EQ(TextAreaRect({420, 150}, {300, 50}), (BoxRect{87, 32, 300, 79}));
    EXPECT_EQ(TextAreaRect({421, 151}, {300, 50}), (BoxRect{87, 32, 300, 80})); // halves rounded down

    const BoxSize client{400, 150};
    EXPECT_EQ(ButtonRect(0, 3, client), (BoxRect{180, 121, 70, 23}));
    EXPECT_EQ(ButtonRect(1, 3, client), (BoxRect{250, 121, 70, 23}));
    EXPECT_EQ(ButtonRect(2, 3, client), (BoxRect{320, 121, 70, 23}));
    EXPECT_EQ(ButtonRect(0, 2, client), (BoxRect{250, 121, 70, 23}));
    EXPECT_EQ(ButtonRect(0, 1, client), (BoxRect{320, 121, 70, 23}));
}

TEST(MsgBoxLayout, KeysChooseButtons)
{
    const auto yesNoCancel = Buttons({"&Yes", "&No", "&Cancel"});
    const auto tie = Buttons({"&Abort", "&Again"});
    struct Case {
        const std::vector<BoxButton>* buttons;
        char key;
        int alt, letter;
    };
    const auto odd = Buttons({"N", "Later", "x&", "&no", ""});
    const Case cases[] = {
        {&yesNoCancel, 'y', 0, 0},   {&yesNoCancel, 'N', 1, 1}, {&yesNoCancel, 'c', 2, 2},
        {&yesNoCancel, 'x', -1, -1}, {&tie, 'a', 0, 1}, // Alt: first button on a tie; letter: the last
        {&odd, 'n', 3, 3},                              // one-character caption never matches Alt; "&no" matches both
        {&odd, 'L', -1, 1},                             // no "&": the first character
        {&odd, 'X', -1, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AltKeyButton(*c.buttons, c.key), c.alt) << c.key;
        EXPECT_EQ(LetterKeyButton(*c.buttons, c.key), c.letter) << c.key;
    }
}

TEST(MsgBoxLayout, FocusMovesWithWrapAround)
{
    struct Case {
        int focused, count, next, previous;
    };
    const Case cases[] = {
        {0, 3, 1, 2}, {2, 3, 0, 1}, {-1, 3, 0, 1}, {-1, 2, 0, 0}, {-1, 1, 0, 0}, {0, 1, 0, 0}, {-1, 0, -1, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NextButton(c.focused, c.count), c.next) << c.focused << "/" << c.count;
        EXPECT_EQ(PreviousButton(c.focused, c.count), c.previous) << c.focused << "/" << c.count;
    }
}

} // namespace
