// Moves the PE headers of a linked exe to file offset 256.
//
// The payload readers take a file as an executable when bytes 256-257 are "PE" and
// keep the stored payload end at offsets 248 and 252 of the DOS stub; GNU ld puts
// the header at 0x80 and cannot be told otherwise. The headers are moved as a
// block (signature, file header, optional header, section table); the bytes from
// the old position up to 256 become zero. Fails loudly when they do not fit.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr uint32_t kTarget = 256;

uint32_t le16(const std::vector<unsigned char>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t le32(const std::vector<unsigned char>& b, size_t at) { return le16(b, at) | le16(b, at + 2) << 16; }

int fail(const char* path, const char* why)
{
    std::fprintf(stderr, "pefix: %s: %s\n", path, why);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pefix FILE.exe\n");
        return 2;
    }
    const char* path = argv[1];
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 1024 || b[0] != 'M' || b[1] != 'Z')
        return fail(path, "not an MZ executable");
    const uint32_t old = le32(b, 0x3C);
    if (old == kTarget)
        return 0; // already done (a rebuild that did not relink)
    if (old > kTarget || old + 24 > b.size() || std::memcmp(&b[old], "PE\0\0", 4) != 0)
        return fail(path, "unexpected PE header position");
    const uint32_t sections = le16(b, old + 6);
    const uint32_t optionalSize = le16(b, old + 20);
    const uint32_t length = 24 + optionalSize + sections * 40;
    if (optionalSize < 64 || old + length > b.size())
        return fail(path, "truncated PE headers");
    const uint32_t sizeOfHeaders = le32(b, old + 24 + 60);
    uint32_t firstRaw = sizeOfHeaders;
    for (uint32_t i = 0; i < sections; ++i) {
        const uint32_t raw = le32(b, old + 24 + optionalSize + i * 40 + 20);
        if (raw != 0 && raw < firstRaw)
            firstRaw = raw;
    }
    if (kTarget + length > sizeOfHeaders || kTarget + length > firstRaw)
        return fail(path, "the PE headers do not fit below SizeOfHeaders at offset 256");
    std::memmove(&b[kTarget], &b[old], length);
    std::memset(&b[old], 0, kTarget - old);
    b[0x3C] = kTarget & 0xFF;
    b[0x3D] = kTarget >> 8;
    b[0x3E] = b[0x3F] = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    if (!out)
        return fail(path, "cannot write the file");
    return 0;
}
