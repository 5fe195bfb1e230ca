// Portable pieces of the file and disk helpers.
#include "util/Files.h"

#include <algorithm>
#include <cctype>

int64_t ChunkSize(int64_t largest, int64_t divisor, int64_t total)
{
    int64_t q = divisor != 0 ? total / divisor : total;
    if (q <= 1024)
        return std::min<int64_t>(1024, total);
    return std::min(q, largest);
}

std::string DriveRoot(const std::string& path, bool rootOnly)
{
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    if (p.empty())
        return p;
    if (rootOnly || p.size() < 3)
        return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])))) + ":\\";
    std::size_t cut = p.find('\\', 3);
    return cut == std::string::npos ? p : p.substr(0, cut);
}

DeleteStep DeleteStepFor(uint32_t attributes)
{
    // FILE_ATTRIBUTE_REPARSE_POINT and FILE_ATTRIBUTE_DIRECTORY.
    constexpr uint32_t kReparsePoint = 0x400, kFolder = 0x10;
    if (attributes & kReparsePoint)
        return DeleteStep::Link;
    return attributes & kFolder ? DeleteStep::Folder : DeleteStep::File;
}

std::string SelfDeleteBatchText(const std::string& exe, const std::string& folder, const std::string& batchPath,
                                bool removeFolder)
{
    const std::string q = "\"";
    std::string text = ":START\r\n";
    text += "DEL " + q + exe + q + "\r\n";
    text += "IF exist " + q + exe + q + " GOTO START\r\n";
    if (removeFolder)
        text += "RD " + q + folder + q + "\r\n";
    text += "DEL " + q + batchPath + q + "\r\n";
    return text;
}
