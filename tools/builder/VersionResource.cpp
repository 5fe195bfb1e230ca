#include "VersionResource.h"

#include "LittleEndian.h"

namespace {

void AddText(std::string& b, const std::u16string& text)
{
    for (char16_t c : text)
        Add16(b, c);
    Add16(b, 0);
}
void Align(std::string& b) { b.append((4 - b.size() % 4) % 4, '\0'); }

// One block; its length leaves out the padding after its last child.
std::string Block(const std::u16string& key, bool text, uint32_t valueLength, const std::string& value,
                  const std::vector<std::string>& children)
{
    std::string b(6, '\0');
    AddText(b, key);
    Align(b);
    b += value;
    for (const std::string& child : children) {
        Align(b);
        b += child;
    }
    Put16(b, 0, static_cast<uint32_t>(b.size()));
    Put16(b, 2, valueLength);
    Put16(b, 4, text ? 1 : 0);
    return b;
}

std::u16string Ascii(const char* s) { return std::u16string(s, s + std::char_traits<char>::length(s)); }

} // namespace

bool ParseVersionNumber(const std::string& text, VersionNumber& out)
{
    out = {};
    size_t part = 0, at = 0;
    for (;;) {
        if (part == 4 || at >= text.size() || text[at] < '0' || text[at] > '9')
            return false;
        uint32_t value = 0;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
            if ((value = value * 10 + static_cast<uint32_t>(text[at] - '0')) > 0xFFFF)
                return false;
        out[part++] = static_cast<uint16_t>(value);
        if (at == text.size())
            return true;
        if (text[at++] != '.')
            return false;
    }
}

bool Utf8ToUtf16(const std::string& text, std::u16string& out)
{
    out.clear();
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > text.size())
            return false;
        uint32_t code = n == 1 ? c : c & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next >> 6) != 2)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not UTF-8.
        static const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        if (code >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
        i += n;
    }
    return true;
}

std::string VersionResource(const VersionNumber& file, const VersionNumber& product,
                            const std::vector<std::pair<std::string, std::string>>& texts)
{
    std::vector<std::string> strings;
    for (const auto& [key, value] : texts) {
        std::u16string k, v;
        if (!Utf8ToUtf16(key, k) || !Utf8ToUtf16(value, v))
            return {};
        std::string text;
        AddText(text, v);
        strings.push_back(Block(k, true, static_cast<uint32_t>(v.size() + 1), text, {}));
    }
    std::string fixed;
    Add32(fixed, 0xFEEF04BD); // signature
    Add32(fixed, 0x00010000); // structure version
    Add32(fixed, uint32_t{file[0]} << 16 | file[1]);
    Add32(fixed, uint32_t{file[2]} << 16 | file[3]);
    Add32(fixed, uint32_t{product[0]} << 16 | product[1]);
    Add32(fixed, uint32_t{product[2]} << 16 | product[3]);
    Add32(fixed, 0x3F);       // flags mask
    Add32(fixed, 0);          // flags
    Add32(fixed, 0x00040004); // VOS_NT_WINDOWS32
    Add32(fixed, 1);          // VFT_APP
    Add32(fixed, 0);          // subtype
    Add32(fixed, 0);          // date: none, so that the same input gives the same bytes
    Add32(fixed, 0);
    std::string translation;
    Add16(translation, 0x0409);
    Add16(translation, 1200);

    const std::string table = Block(Ascii("040904B0"), true, 0, {}, strings);
    const std::string root =
        Block(Ascii("VS_VERSION_INFO"), false, static_cast<uint32_t>(fixed.size()), fixed,
              {Block(Ascii("StringFileInfo"), true, 0, {}, {table}),
               Block(Ascii("VarFileInfo"), true, 0, {}, {Block(Ascii("Translation"), false, 4, translation, {})})});
    // Every length is 16 bits: the outermost block holds all others.
    return root.size() > 0xFFFF ? std::string() : root;
}
