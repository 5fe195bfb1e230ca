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

namespace {

std::string BatchQuoted(const std::string& path)
{
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

std::string SelfDeleteBatchText(const SelfDeleteBatch& batch)
{
    const std::string exe = BatchQuoted(batch.exe);
    std::string text = "SET /A TRIES=0\r\n:START\r\n";
    text += "DEL " + exe + "\r\n";
    text += "IF NOT exist " + exe + " GOTO GONE\r\n";
    text += "SET /A TRIES+=1\r\n";
    text += "IF %TRIES% GEQ " + std::to_string(batch.tries) + " GOTO GONE\r\n";
    text += BatchQuoted(batch.ping) + " -n 2 127.0.0.1 >NUL\r\n";
    text += "GOTO START\r\n:GONE\r\n";
    if (batch.removeFolder)
        text += "RD " + BatchQuoted(batch.folder) + "\r\n";
    text += "DEL " + BatchQuoted(batch.batchPath) + "\r\n";
    return text;
}
