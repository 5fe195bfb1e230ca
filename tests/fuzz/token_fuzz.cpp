// Token descrambling of stored tokens, text scrambling both ways and the agent's inform
// text split.
// Properties: a stored token that descrambles gives a text shorter than its bytes;
// descrambling what scrambling made gives the text back, for any seed; unscrambling what
// ScrambleText protected (plain or hex form) gives the text back; the inform body is the
// end of the unscrambled text; a token matches another only when both descramble to the
// same text, so a damaged one matches nothing.
#include "FuzzInput.h"
#include "payload/Token.h"
#include "util/Utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> f = Fields(data, size, 2);
    const std::string& text = f[1];

    std::string plain;
    if (TryDescrambleToken(f[0], plain))
        FUZZ_CHECK(plain.size() < f[0].size() / 2);

    uint32_t seed = 0;
    for (unsigned char c : f[0])
        seed = seed * 31 + c;
    std::string back;
    FUZZ_CHECK(TryDescrambleToken(ScrambleToken(text, seed), back) && back == text);

    // A text that already starts with the marker counts as protected and is left alone.
    for (bool hexForm : {false, true}) {
        if (StartsWith("Scrambled=01", text, false))
            break;
        const std::string stored = ScrambleText(text, true, hexForm);
        FUZZ_CHECK(ScrambleText(stored, false, hexForm) == text);
        // Protecting twice does nothing more.
        if (!hexForm)
            FUZZ_CHECK(ScrambleText(stored, true, false) == stored);
    }

    const InformText inform = SplitInformText(text);
    const std::string unscrambled = ScrambleText(text, false, false);
    FUZZ_CHECK(inform.body.size() <= unscrambled.size() &&
               unscrambled.compare(unscrambled.size() - inform.body.size(), inform.body.size(), inform.body) == 0);
    std::string informToken;
    FUZZ_CHECK(SameToken(inform.storedToken, f[0]) == (TryDescrambleToken(inform.storedToken, informToken) &&
                                                       TryDescrambleToken(f[0], plain) && informToken == plain));
    FUZZ_CHECK(SameToken(ScrambleToken(text, seed), ScrambleToken(text, seed + 1)));
    return 0;
}
