// A whole setup file as the descriptor reads it: the trailer found through the stored
// end or the file's end, the header strings, the checksum and every answer built on them.
// Properties: the trailer length read is at most 74 and a header string count is never 0;
// each header string is the file's own bytes, inside payload start .. trailer; the
// checksum of a file does not depend on the trailer's bytes other than its length; the
// language block chosen is "*" or a block of the table.
#include <cstring>

#include "FuzzInput.h"
#include "payload/GFileInfo.h"
#include "payload/PayloadTrailer.h"
#include "util/KSUB.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TFileReader file = MemoryFile(bytes);
    FUZZ_CHECK(file.IsOpen() && file.Size() == static_cast<int64_t>(size));

    const int64_t end = EffectivePayloadEnd(file);
    FUZZ_CHECK(end >= 0);
    const PayloadTrailer trailer = ReadTrailer(file);
    FUZZ_CHECK(trailer.length <= kTrailerLength && trailer.headerStringCount != 0);

    const TGFileInfo info(file);
    FUZZ_CHECK(std::memcmp(&info.Trailer(), &trailer, sizeof trailer) == 0);
    if (!info.HasPayload())
        FUZZ_CHECK(info.LanguageTable().empty() && info.UpdateOptions().empty() && info.DownloadOptions().empty());
    // The strings follow each other from payload start and lie before the trailer; once
    // one could not be read, the later ones stay empty.
    const int64_t limit = end - trailer.length;
    int64_t at = trailer.payloadStart;
    bool unread = !info.HasPayload();
    const std::string* strings[] = {&info.LanguageTable(), &info.UpdateOptions(), &info.DownloadOptions()};
    for (int i = 0; i < 3; ++i) {
        const std::string* s = strings[i];
        uint32_t n = 0;
        unread = unread || i >= trailer.headerStringCount || at < 0 || at + 4 > limit || !file.ReadU32(at, n) ||
                 n > limit - at - 4;
        if (unread) {
            FUZZ_CHECK(s->empty());
            continue;
        }
        FUZZ_CHECK(bytes.compare(static_cast<size_t>(at) + 4, n, *s) == 0 && s->size() == n);
        at += 4 + static_cast<int64_t>(n);
    }

    const uint32_t sum = PayloadChecksum(file, trailer.length);
    if (size <= static_cast<size_t>(kChecksumLimit) && trailer.length > 4 && end == static_cast<int64_t>(size) &&
        end - trailer.length >= 512) {
        // The trailer's fields before its length are outside the sum (the headers that say
        // where the sum starts lie before it).
        std::string changed = bytes;
        for (size_t i = static_cast<size_t>(end - trailer.length); i + 4 < static_cast<size_t>(end); ++i)
            changed[i] = static_cast<char>(~changed[i]);
        TFileReader other = MemoryFile(changed);
        FUZZ_CHECK(PayloadChecksum(other, trailer.length) == sum);
    }
    ChecksumPasses(sum, info.StoredChecksum());

    // Every answer the launcher and the agent take from the strings.
    info.UpdateServerUrl(), info.InfoFileName(), info.InstalledInfoName(), info.AgentFileName();
    info.UpdateToken(true), info.RunHidden(), info.DownloadUrl(), info.DownloadFileName(), info.DownloadSize();
    info.AlwaysDownload(), info.DownloadToken(true), info.SameDownloadToken(info);
    for (int i = 0; i <= 8; ++i)
        info.RequiredSpaceForCluster(uint64_t{256} << i);

    const std::string& table = info.LanguageTable();
    const std::string block = SelectLanguageBlock(table, "ENGLISH");
    bool found = block == "*";
    for (int i = 0; i < SUB::ListCount(table) && !found; ++i)
        found = SUB::ListItem(table, i, "") == block;
    FUZZ_CHECK(found);
    for (const char* key : {"s0", "BtnText", "Charset", "FontSize", "FontName"})
        LanguageBlockText(block, key, "default");
    return 0;
}
