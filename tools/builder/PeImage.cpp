#include "PeImage.h"

#include <vector>

#include "LittleEndian.h"

namespace {

constexpr size_t kPe = 256, kFileHeader = kPe + 4, kOptional = kFileHeader + 20, kSectionSize = 40;
constexpr uint32_t kResourceDir = 2, kSecurityDir = 4, kRelocationDir = 5;

uint32_t AlignUp(uint32_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }
bool PowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

struct Section {
    size_t header; // offset of its 40-byte record
    uint32_t virtualSize, rva, rawSize, raw;
};

struct Layout {
    size_t dirs = 0; // offset of data directory 0
    uint32_t dirCount = 0;
    uint32_t sectionAlign = 0, fileAlign = 0;
    std::vector<Section> sections;
    size_t resources = 0; // index of the resource section
    bool relocationsAfter = false;
};

// A directory the header does not have is empty.
uint32_t DirRva(const std::string& b, const Layout& l, uint32_t i)
{
    return i < l.dirCount ? Get32(b, l.dirs + 8 * i) : 0;
}
uint32_t DirSize(const std::string& b, const Layout& l, uint32_t i)
{
    return i < l.dirCount ? Get32(b, l.dirs + 8 * i + 4) : 0;
}
uint32_t Extent(const Section& s) { return s.virtualSize ? s.virtualSize : s.rawSize; }

std::string ReadLayout(const std::string& b, Layout& l)
{
    if (b.size() < 512 || b.compare(0, 2, "MZ") != 0 || b.compare(kPe, 4, std::string("PE\0\0", 4)) != 0)
        return "no PE header at offset 256";
    const uint32_t count = Get16(b, kFileHeader + 2), optionalSize = Get16(b, kFileHeader + 16);
    const uint32_t magic = Get16(b, kOptional);
    if (magic != 0x10B && magic != 0x20B)
        return "an optional header of neither PE32 nor PE32+";
    const size_t dirCountAt = kOptional + (magic == 0x10B ? 92 : 108);
    l.dirs = dirCountAt + 4;
    const size_t table = kOptional + optionalSize;
    l.dirCount = Get32(b, dirCountAt);
    if (table + count * kSectionSize > b.size() || l.dirCount > 16 || l.dirs + 8 * l.dirCount > table)
        return "truncated PE headers";
    const uint32_t resourceRva = DirRva(b, l, kResourceDir);
    if (resourceRva == 0 || DirSize(b, l, kResourceDir) == 0)
        return "no resources";
    if (DirSize(b, l, kSecurityDir) != 0)
        return "a signature already (brand a launcher before it is signed)";
    if (table + count * kSectionSize > Get32(b, kOptional + 60))
        return "a section table beyond SizeOfHeaders";
    l.sectionAlign = Get32(b, kOptional + 32);
    l.fileAlign = Get32(b, kOptional + 36);
    if (!PowerOfTwo(l.sectionAlign) || !PowerOfTwo(l.fileAlign) || l.fileAlign > l.sectionAlign)
        return "unusual section alignments";
    if (Get32(b, kFileHeader + 8) != 0)
        return "a symbol table (strip the launcher)";
    bool found = false;
    uint64_t rawEnd = 0, virtualEnd = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = table + i * kSectionSize;
        const Section s{at, Get32(b, at + 8), Get32(b, at + 12), Get32(b, at + 16), Get32(b, at + 20)};
        if (s.rva < virtualEnd || (s.rawSize != 0 && s.raw < rawEnd) || uint64_t{s.raw} + s.rawSize > b.size())
            return "sections out of order or beyond the file";
        virtualEnd = uint64_t{s.rva} + Extent(s);
        if (s.rawSize != 0)
            rawEnd = uint64_t{s.raw} + s.rawSize;
        if (found && !(s.rva == DirRva(b, l, kRelocationDir) && i + 1 == count))
            return "sections after its resources other than the base relocations";
        if (s.rva == resourceRva) {
            found = true;
            l.resources = i;
        }
        l.sections.push_back(s);
    }
    if (!found)
        return "a resource directory that does not start a section";
    const Section& r = l.sections[l.resources];
    if (r.raw == 0 || r.rawSize == 0 || DirSize(b, l, kResourceDir) > Extent(r))
        return "a resource section without its data";
    if (rawEnd != b.size())
        return "data after its last section";
    l.relocationsAfter = l.resources + 1 < l.sections.size();
    // Only the two sections that move may be named by a directory entry at or after them.
    for (uint32_t i = 0; i < l.dirCount; ++i)
        if (i != kResourceDir && i != kRelocationDir && DirRva(b, l, i) != 0 && DirRva(b, l, i) >= resourceRva)
            return "a data directory inside or after its resources";
    return {};
}

} // namespace

std::string FindResourceSection(const std::string& image, ResourceSection& out)
{
    Layout l;
    if (std::string problem = ReadLayout(image, l); !problem.empty())
        return problem;
    const Section& r = l.sections[l.resources];
    const uint32_t extent = Extent(r);
    out.rva = r.rva;
    out.bytes = image.substr(r.raw, r.rawSize < extent ? r.rawSize : extent);
    out.bytes.resize(extent, '\0');
    return {};
}

std::string WithResourceSection(const std::string& image, const std::string& resources)
{
    Layout l;
    ReadLayout(image, l);
    const Section r = l.sections[l.resources];
    const uint32_t size = static_cast<uint32_t>(resources.size());
    const uint32_t rawSize = AlignUp(size, l.fileAlign);
    std::string out = image.substr(0, r.raw) + resources;
    out.resize(r.raw + rawSize, '\0');
    Put32(out, r.header + 8, size);
    Put32(out, r.header + 16, rawSize);
    Put32(out, l.dirs + 8 * kResourceDir + 4, size);
    uint32_t end = r.rva + size;
    if (l.relocationsAfter) {
        // The relocation blocks name the places to fix, never their own position: they
        // move as they are.
        const Section& m = l.sections.back();
        const uint32_t rva = AlignUp(end, l.sectionAlign);
        Put32(out, m.header + 12, rva);
        Put32(out, m.header + 20, static_cast<uint32_t>(out.size()));
        Put32(out, l.dirs + 8 * kRelocationDir, rva + (DirRva(image, l, kRelocationDir) - m.rva));
        out += image.substr(m.raw, m.rawSize);
        end = rva + Extent(m);
    }
    Put32(out, kOptional + 56, AlignUp(end, l.sectionAlign));                     // SizeOfImage
    Put32(out, kOptional + 8, Get32(image, kOptional + 8) - r.rawSize + rawSize); // SizeOfInitializedData
    return out;
}
