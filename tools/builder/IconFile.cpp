#include "IconFile.h"

#include "LittleEndian.h"

namespace {

constexpr size_t kHeader = 6, kRecord = 16;
// More would not fit a group's ids next to the launcher's other resources, and no icon
// needs them.
constexpr size_t kMostImages = 64;

} // namespace

std::string ReadIconFile(const std::string& bytes, std::vector<IconImage>& out)
{
    out.clear();
    if (bytes.size() < kHeader || Get16(bytes, 0) != 0 || Get16(bytes, 2) != 1)
        return "not an icon file";
    const size_t count = Get16(bytes, 4);
    if (count == 0 || count > kMostImages)
        return "an icon file holds 1 to " + std::to_string(kMostImages) + " images, not " + std::to_string(count);
    const size_t images = kHeader + count * kRecord;
    if (images > bytes.size())
        return "the icon file ends in its directory";
    for (size_t i = 0; i < count; ++i) {
        const size_t at = kHeader + i * kRecord;
        const uint32_t size = Get32(bytes, at + 8), offset = Get32(bytes, at + 12);
        if (size == 0 || offset < images || offset > bytes.size() || size > bytes.size() - offset)
            return "image " + std::to_string(i + 1) + " of the icon file lies outside it";
        const std::string data = bytes.substr(offset, size);
        // A bitmap (its 40-byte header) or a PNG: what Windows draws.
        if (data.compare(0, 4, std::string("\x28\0\0\0", 4)) != 0 && data.compare(0, 4, "\x89PNG") != 0)
            return "image " + std::to_string(i + 1) + " of the icon file is neither a bitmap nor a PNG";
        out.push_back({bytes.substr(at, 12), data});
    }
    return {};
}

std::string IconGroup(const std::vector<IconImage>& images, uint16_t firstId)
{
    std::string b;
    Add16(b, 0);
    Add16(b, 1);
    Add16(b, static_cast<uint32_t>(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        b += images[i].entry;
        Add16(b, static_cast<uint32_t>(firstId + i));
    }
    return b;
}
