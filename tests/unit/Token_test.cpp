#include "payload/Token.h"

#include <gtest/gtest.h>

#include "util/Utils.h"

namespace {

bool IsRandomPreset(const std::string& s)
{
    return !s.empty() && s.size() <= 5 && s.find_first_not_of("0123456789") == std::string::npos;
}

TEST(Token, ScrambleRoundTrips)
{
    const std::string texts[] = {"secret", "a", "http://example.invalid/x?y=1|2", std::string("\x00\xff\x80 z", 5),
                                 std::string(300, 'q')};
    for (const std::string& t : texts) {
        for (bool hex : {false, true}) {
            const std::string enc = ScrambleText(t, true, hex);
            ASSERT_NE(enc, t);
            if (hex) {
                EXPECT_EQ(enc.size(), 2 * (t.size() + 13));
                EXPECT_EQ(enc.find_first_not_of("0123456789ABCDEF"), std::string::npos);
                EXPECT_EQ(HexToBytes(enc).substr(0, 12), "Scrambled=01");
            } else {
                ASSERT_EQ(enc.substr(0, 12), "Scrambled=01");
                const unsigned char key = static_cast<unsigned char>(enc[12]);
                EXPECT_TRUE(key >= 33 && key <= 122);
                EXPECT_EQ(enc.size(), t.size() + 13);
            }
            EXPECT_EQ(ScrambleText(enc, false, hex), t) << t << (hex ? " hex" : "");
        }
    }
}

TEST(Token, ScrambleKnownFormAndUnchangedCases)
{
    // Key 'A' (65): positions 1 and 2 mask with (1+65) and (2-65) mod 256.
    const std::string stored = std::string("Scrambled=01A") + char('x' ^ 66) + char('y' ^ 193);
    EXPECT_EQ(ScrambleText(stored, false, false), "xy");
    EXPECT_EQ(ScrambleText(BytesToHex(stored, false, false), false, true), "xy");
    EXPECT_EQ(ScrambleText("plain", false, false), "plain"); // not protected
    EXPECT_EQ(ScrambleText("706C61696E", false, true), "706C61696E");
    EXPECT_EQ(ScrambleText(stored, true, false), stored); // already protected
    EXPECT_EQ(ScrambleText("", true, true), "");
    EXPECT_EQ(ScrambleText("Scrambled=01", false, false), ""); // marker without data
}

} // namespace

TEST(Token, DescramblesAHandMadeToken)
{
    // Bytes 10 02 01 55 4B 6A 77 A7 13: key 10^13 = 03, a = 1, b = 2, one pad byte, "Hi"
    // XOR 03, one pad byte, checksum A7, key part 13; every hex digit + 50.
    std::string text;
    ASSERT_TRUE(TryDescrambleToken("cbbdbcggfthsiisice", text));
    EXPECT_EQ(text, "Hi");
}

TEST(Token, BuilderFormAlwaysDescramblesToItsText)
{
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    for (const std::string& text : {std::string(), std::string("x"), std::string("my secret"), all}) {
        for (uint32_t seed : {0u, 1u, 77u, 0xFFFFFFFFu}) {
            const std::string stored = ScrambleToken(text, seed);
            EXPECT_EQ(stored.find_first_not_of("bcdefghijkstuvwx"), std::string::npos) << stored;
            std::string back;
            EXPECT_TRUE(TryDescrambleToken(stored, back));
            EXPECT_EQ(back, text);
            EXPECT_EQ(DescrambleToken(stored), text);
        }
    }
}

TEST(Token, DamagedTokensGiveARandomNumber)
{
    std::string wrongSum = "cbbdbcggfthsiisice";
    wrongSum[15] = 'k'; // checksum byte A7 -> A9
    struct Case {
        const char* name;
        std::string stored;
    };
    const Case cases[] = {
        {"empty", ""},
        {"four bytes", "bbbbbbbb"},
        {"wrong checksum byte", wrongSum},
        // 00 C8 01 C9 00: k = 0, a = 200, so the text would start past the bytes.
        {"lengths run outside", "bbujbcukbb"},
        {"not hex", "zzzzzzzzzzzzzzzzzz"},
        {"odd digit count", "cbbdbcggfthsiisic"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text;
        EXPECT_FALSE(TryDescrambleToken(c.stored, text));
        EXPECT_TRUE(IsRandomPreset(DescrambleToken(c.stored)));
        // A damaged token matches nothing, itself included, though both "descramble".
        EXPECT_FALSE(SameToken(c.stored, c.stored));
        EXPECT_FALSE(SameToken(c.stored, ScrambleToken(DescrambleToken(c.stored), 3)));
    }
}

TEST(Token, SameTokenComparesTheTextsNotTheStoredForms)
{
    EXPECT_TRUE(SameToken(ScrambleToken("tok", 5), ScrambleToken("tok", 9)));
    EXPECT_FALSE(SameToken(ScrambleToken("tok", 5), ScrambleToken("Tok", 5)));
}

TEST(Token, InformTextSplitsAfterUnscrambling)
{
    const std::string token = ScrambleToken("tok", 5);
    const std::string plain = "head|" + token + "|x|y|Body with | bars";
    struct Case {
        std::string text;
        std::string token, body;
    };
    const Case cases[] = {
        {plain, "tok", "Body with | bars"},     {ScrambleText(plain, true, false), "tok", "Body with | bars"},
        {"head|" + token + "|x|y|", "tok", ""}, {"head|" + token + "|x", "tok", ""},
        {"head|" + token, "tok", ""},
    };
    for (const Case& c : cases) {
        const InformText split = SplitInformText(c.text);
        EXPECT_EQ(split.token, c.token);
        EXPECT_TRUE(SameToken(split.storedToken, token));
        EXPECT_EQ(split.body, c.body);
    }
    EXPECT_TRUE(IsRandomPreset(SplitInformText("no bars").token));
}
