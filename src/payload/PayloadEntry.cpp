#include "payload/PayloadEntry.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "util/KSUB.h"
#include "util/Utils.h"

EntrySplit SplitEntry(const char* entry, size_t size)
{
    const void* nul = size ? std::memchr(entry, '\0', size) : nullptr;
    if (!nul)
        return {size, size};
    const size_t at = static_cast<size_t>(static_cast<const char*>(nul) - entry);
    return {at, at + 1};
}

int32_t BlockLength(const std::string& field)
{
    const auto byte = [&field](int i) { return static_cast<uint32_t>(static_cast<unsigned char>(field[i])); };
    return static_cast<int32_t>(byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24);
}

std::string WindowsNameKey(const std::string& path)
{
    std::string key;
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(path.find('\\', start), path.size());
        size_t last = end;
        while (last > start && (path[last - 1] == '.' || path[last - 1] == ' '))
            --last;
        key.append(path, start, last - start);
        if (end == path.size())
            break;
        key += '\\';
        start = end + 1;
    }
    return UpperText(key);
}

EntryHeader ParseEntryHeader(const std::string& header)
{
    EntryHeader entry;
    entry.name = SUB::ListItem(header, 0, "");
    const int64_t stamp = ParseInt64(SUB::ListItem(header, 1, ""), 0);
    // Builders that keep the stamp as a signed 32-bit number write late dates negative.
    if (stamp >= INT32_MIN && stamp <= UINT32_MAX)
        entry.stamp = static_cast<uint32_t>(stamp);
    const size_t star = entry.name.find('*');
    if (star != std::string::npos) {
        entry.runTarget = entry.name;
        entry.name.erase(star);
    }
    entry.strayRunMarker =
        std::count(header.begin(), header.end(), '*') > std::count(entry.runTarget.begin(), entry.runTarget.end(), '*');
    return entry;
}

std::string EntryRefusal(const EntryHeader& header)
{
    if (!IsSafeEntryName(header.name))
        return "The name leads outside the work folder.";
    if (header.strayRunMarker)
        return "The entry marks a program to start outside its name.";
    return {};
}

std::string RunTargetProgram(const std::string& runTarget)
{
    return TrimText(runTarget.substr(0, runTarget.find('*')));
}

namespace {

bool IsDeviceName(const std::string& component)
{
    // Windows maps these to devices whatever the folder and extension.
    std::string base = UpperText(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : kDevices)
        if (base == device)
            return true;
    if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0)) {
        const unsigned char digit = static_cast<unsigned char>(base[3]);
        // Superscript one, two and three count as digits there too.
        return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

bool IsDotsAndBlanks(const std::string& component) { return component.find_first_not_of(". ") == std::string::npos; }

} // namespace

bool IsSafeEntryName(const std::string& name)
{
    if (name.empty() || name[0] == '\\' || name[0] == '/')
        return false;
    for (unsigned char c : name)
        if (c < 32 || std::strchr("<>:\"|?*", c))
            return false;
    size_t start = 0;
    for (;;) {
        const size_t end = name.find_first_of("\\/", start);
        const std::string component = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (component.empty() || IsDotsAndBlanks(component) || IsDeviceName(component))
            return false;
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

int64_t BlockSize(int32_t length)
{
    if (length == INT32_MIN)
        return -1;
    return length < 0 ? -static_cast<int64_t>(length) : length;
}

std::string VolumeLinkBlock(const VolumeDigest& next)
{
    const int32_t length = -static_cast<int32_t>(kVolumeLinkBlockSize - 4);
    std::string block(4, '\0');
    for (int i = 0; i < 4; ++i)
        block[i] = static_cast<char>(static_cast<uint32_t>(length) >> (8 * i));
    block += '\0';
    block += kVolumeLinkTag;
    block.append(reinterpret_cast<const char*>(next.data()), next.size());
    return block;
}

std::optional<VolumeDigest> ReadVolumeLink(const char* entry, size_t size)
{
    constexpr size_t kTag = sizeof kVolumeLinkTag - 1;
    if (size != kVolumeLinkBlockSize - 4 || entry[0] != '\0' || std::memcmp(entry + 1, kVolumeLinkTag, kTag) != 0)
        return std::nullopt;
    VolumeDigest digest;
    std::memcpy(digest.data(), entry + 1 + kTag, digest.size());
    return digest;
}

std::string VolumeBasePath(const std::string& archivePath)
{
    return EndsWith(".001", archivePath, false) ? archivePath.substr(0, archivePath.size() - 4) : archivePath;
}

std::string VolumePath(const std::string& basePath, int volume) { return basePath + "." + IntToZeroPad(volume, 3); }

bool CanCarryAgent(const std::string& archivePath)
{
    return EndsWith(".exe", archivePath, true) || EndsWith(".exe.001", archivePath, true);
}

void MarkAsAgent(std::string& volume)
{
    if (volume.size() >= kTrailerLength)
        volume[volume.size() - kTrailerLength + offsetof(PayloadTrailer, isUpdateAgent)] = 1;
}

std::optional<std::string> WebAgentCopy(std::string file, uint32_t storedEnd)
{
    const size_t size = file.size();
    if (storedEnd != 0 && storedEnd < size) {
        const auto u32 = [&file](size_t at) {
            uint32_t value = 0;
            std::memcpy(&value, file.data() + at, 4);
            return value;
        };
        // PE signature at 256, file header (20 bytes; the optional header's size at 16), the
        // optional header: PE32 (0x10B) or PE32+ (0x20B), the directory count at 92 or 108,
        // the directories after it; the security directory is the fifth.
        constexpr size_t kFileHeader = 260, kOptional = kFileHeader + 20;
        if (size < kOptional + 2 || file.compare(256, 4, std::string("PE\0\0", 4)) != 0)
            return std::nullopt;
        const uint32_t magic = u32(kOptional) & 0xFFFF;
        if (magic != 0x10B && magic != 0x20B)
            return std::nullopt;
        const size_t countAt = kOptional + (magic == 0x10B ? 92 : 108), security = countAt + 4 + 4 * 8;
        const size_t optionalEnd = kOptional + (u32(kFileHeader + 16) & 0xFFFF);
        if (security + 8 > optionalEnd || optionalEnd > size || u32(countAt) <= 4)
            return std::nullopt;
        const uint64_t offset = u32(security), length = u32(security + 4);
        if (length == 0 || offset < storedEnd || offset - storedEnd >= 8 || offset + length != size)
            return std::nullopt;
        file.resize(storedEnd);
        std::memset(&file[security], 0, 8);
    }
    MarkAsAgent(file);
    return file;
}

std::string AgentImage(std::string imageAndHeaders, PayloadTrailer trailer)
{
    if (imageAndHeaders.size() >= static_cast<size_t>(kStoredEndLow) + 4)
        std::memset(&imageAndHeaders[kStoredEndLow], 0, 4);
    trailer.length = kTrailerLength;
    imageAndHeaders.append(reinterpret_cast<const char*>(&trailer), sizeof trailer);
    MarkAsAgent(imageAndHeaders);
    return imageAndHeaders;
}

TFileProgress::TFileProgress(uint32_t filesCount)
{
    const uint32_t limit = 65535;
    if (filesCount > limit)
        every_ = filesCount / limit + (filesCount % limit != 0);
    // Rounded down, so that the last full group of files reaches it exactly.
    maximum_ = static_cast<int>(filesCount / every_);
}

bool TFileProgress::CountFile() { return ++counted_ % every_ == 0; }

std::string SpaceReportText(const std::string& reason, int64_t dataSize, int64_t fileSize, double freeBytes)
{
    const std::string free = FixedText(freeBytes, 0);
    return reason + "<P>" + "  Data Size: <T>" + std::to_string(dataSize) + " Bytes<P>" + "  File Size:  <T>" +
           std::to_string(fileSize) + " Bytes<P>" + "  Bytes Free: <T>" + free + " Bytes";
}
