// Secret tokens in a payload's option lists: stored as a run of lower-case letters,
// descrambled before they are compared.
#pragma once
#include <cstdint>
#include <string>

// The text a stored token stands for; false when the token is too short, its checksum
// byte is wrong or its lengths run outside its bytes.
bool TryDescrambleToken(const std::string& stored, std::string& text);
// The descrambled text, or a random decimal number below 99999 for a damaged token, so
// that two damaged tokens almost never compare equal.
std::string DescrambleToken(const std::string& stored);
// A stored form of text that DescrambleToken turns back into text; the padding and
// keys come from seed.
std::string ScrambleToken(const std::string& text, uint32_t seed);

// The protection of a whole text ("Scrambled=01", a key character, then the data; the
// inform file's body may carry it) and back; hexForm stores it as hex. Text that is not
// protected (or, encoding, already is) comes back unchanged.
std::string ScrambleText(const std::string& text, bool encode, bool hexForm);

// Both stored tokens descramble, and to the same text. A damaged token matches nothing,
// not even another damaged one.
bool SameToken(const std::string& storedA, const std::string& storedB);

// The agent's inform text: unscrambled as a whole when protected, then split at "|".
struct InformText {
    std::string token;       // field 1, descrambled
    std::string storedToken; // field 1 as stored
    std::string body;        // everything after the fourth "|"
};
InformText SplitInformText(const std::string& text);
