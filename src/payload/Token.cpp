#include "payload/Token.h"

#include <cstdlib>
#include <random>

#include "util/Utils.h"

// Stored token: every character is a hex digit + 50. The bytes B[1..n] read:
//   B[1]        key part 1
//   B[2], B[3]  a, b  (XOR k)        k = B[1] XOR B[n]
//   a bytes     padding
//   text        (XOR k)
//   b-1 bytes   padding
//   B[n-1]      8-bit sum of every other byte (taken before the XOR)
//   B[n]        key part 2
// so the text starts at a + 4 and is n - a - b - 4 bytes long.

namespace {

std::string HexPairsToBytes(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int64_t v = ParseHex(hex.substr(i, 2)); // a lone last digit stands alone
        bytes += static_cast<char>(v < 0 ? 255 : v);
    }
    return bytes;
}

} // namespace

bool TryDescrambleToken(const std::string& stored, std::string& text)
{
    std::string hex = stored;
    for (char& c : hex)
        c = static_cast<char>(static_cast<unsigned char>(c) - 50);
    std::string b = HexPairsToBytes(hex);
    const size_t n = b.size();
    if (n <= 4)
        return false;
    auto at = [&b](size_t pos) -> unsigned char& { return reinterpret_cast<unsigned char&>(b[pos - 1]); };
    unsigned char sum = 0;
    for (size_t i = 1; i <= n; ++i)
        if (i != n - 1)
            sum = static_cast<unsigned char>(sum + at(i));
    if (sum != at(n - 1))
        return false;
    const unsigned char k = at(1) ^ at(n);
    for (size_t i = 2; i <= n - 1; ++i)
        at(i) ^= k;
    const size_t a = at(2), bb = at(3);
    if (a + bb + 4 > n)
        return false; // lengths that run outside the bytes mark a damaged token
    text = b.substr(a + 3, n - a - bb - 4);
    return true;
}

std::string DescrambleToken(const std::string& stored)
{
    std::string text;
    if (TryDescrambleToken(stored, text))
        return text;
    return std::to_string(RandomInRange(0, 99998));
}

std::string ScrambleToken(const std::string& text, uint32_t seed)
{
    std::mt19937 random(seed);
    auto byte = [&random](int low, int high) {
        return static_cast<unsigned char>(std::uniform_int_distribution<int>(low, high)(random));
    };
    const unsigned char a = byte(0, 6), bb = byte(1, 6), key1 = byte(0, 255), key2 = byte(0, 255);
    const unsigned char k = key1 ^ key2;
    std::string b;
    b += static_cast<char>(key1);
    b += static_cast<char>(a ^ k);
    b += static_cast<char>(bb ^ k);
    for (int i = 0; i < a; ++i)
        b += static_cast<char>(byte(0, 255));
    for (char c : text)
        b += static_cast<char>(static_cast<unsigned char>(c) ^ k);
    for (int i = 1; i < bb; ++i)
        b += static_cast<char>(byte(0, 255));
    // The checksum byte is the sum of every raw byte around it, the last key part included.
    unsigned char sum = key2;
    for (char c : b)
        sum = static_cast<unsigned char>(sum + static_cast<unsigned char>(c));
    b += static_cast<char>(sum);
    b += static_cast<char>(key2);

    std::string stored;
    for (char c : BytesToHex(b, false, false))
        stored += static_cast<char>(static_cast<unsigned char>(c) + 50);
    return stored;
}

namespace {
const char kScrambleMarker[] = "Scrambled=01";
const size_t kScrambleMarkerLen = sizeof(kScrambleMarker) - 1;
} // namespace

// Protected form: "Scrambled=01", one key character (33..122), then every character
// XORed with (position + key) mod 256, the key's sign alternating. Its own inverse.
std::string ScrambleText(const std::string& text, bool encode, bool hexForm)
{
    if (text.empty())
        return text;
    std::string s = (!encode && hexForm) ? HexToBytes(text) : text;
    int key = static_cast<int>(RandomInRange(33, 122));
    const bool isProtected = StartsWith(kScrambleMarker, s, false);
    if (encode == isProtected)
        return text; // nothing to do: return the input as it came
    if (!encode) {
        // A marker without key and data protects nothing.
        if (s.size() <= kScrambleMarkerLen + 1)
            return std::string();
        key = static_cast<unsigned char>(s[kScrambleMarkerLen]);
        s.erase(0, kScrambleMarkerLen + 1);
    }
    const int firstKey = key;
    for (size_t i = 0; i < s.size(); ++i) {
        const int mask = (static_cast<int>(i) + 1 + key) & 0xFF;
        s[i] = static_cast<char>(static_cast<unsigned char>(s[i]) ^ mask);
        key = -key;
    }
    if (encode) {
        s = kScrambleMarker + std::string(1, static_cast<char>(std::abs(firstKey))) + s;
        if (hexForm)
            s = BytesToHex(s, false, false);
    }
    return s;
}

bool SameToken(const std::string& storedA, const std::string& storedB)
{
    std::string a, b;
    return TryDescrambleToken(storedA, a) && TryDescrambleToken(storedB, b) && a == b;
}

InformText SplitInformText(const std::string& text)
{
    const std::string plain = ScrambleText(text, false, false);
    size_t bars[4];
    size_t found = 0;
    for (size_t i = 0; i < plain.size() && found < 4; ++i)
        if (plain[i] == '|')
            bars[found++] = i;
    InformText result;
    std::string field1;
    if (found >= 1)
        field1 = plain.substr(bars[0] + 1, (found >= 2 ? bars[1] : plain.size()) - bars[0] - 1);
    result.token = DescrambleToken(field1);
    result.storedToken = field1;
    if (found == 4)
        result.body = plain.substr(bars[3] + 1);
    return result;
}
