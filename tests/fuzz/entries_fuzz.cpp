// The entry walk over a whole setup file held in memory, as the extraction runs it once the
// checksum passed: block lengths, header strings, inflate of every compressed entry, entry
// names and the run marker; then the agent copy made of the image and header strings.
// Properties: the walk ends within the payload and, when it reaches the end, no more than a
// trailer's length before it; every entry handed out for writing has a name inside the work
// folder, and the run target is always such an entry's; the agent copy reads back as an
// update agent with the same trailer fields and the same header strings.
#include <cstring>

#include "FuzzInput.h"
#include "payload/EntryWalk.h"
#include "payload/GFileInfo.h"
#include "payload/PayloadEntry.h"
#include "payload/PayloadTrailer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TFileReader file = MemoryFile(bytes);
    const PayloadTrailer trailer = ReadTrailer(file);
    const int64_t end = EffectivePayloadEnd(file);
    if (trailer.magic != kPayloadMagic || trailer.payloadStart < 0)
        return 0;

    int64_t at = trailer.payloadStart;
    const auto read = [&](std::string& into, size_t n) {
        FUZZ_CHECK(into.size() >= n);
        if (!file.ReadAt(at, &into[0], n))
            return false;
        at += static_cast<int64_t>(n);
        return true;
    };
    std::string runTarget;
    const auto sink = [&](const WalkedEntry& entry) {
        FUZZ_CHECK(entry.content != nullptr || entry.contentSize == 0);
        FUZZ_CHECK(entry.header.name.find('*') == std::string::npos);
        if (!entry.refusal.empty())
            return;
        FUZZ_CHECK(IsSafeEntryName(entry.header.name) && !entry.header.strayRunMarker);
        if (!entry.header.runTarget.empty())
            runTarget = entry.header.runTarget;
        // Touch every content byte: a content that ran past its block shows here.
        unsigned sum = 0;
        for (size_t i = 0; i < entry.contentSize; ++i)
            sum += static_cast<unsigned char>(entry.content[i]);
        (void)sum;
    };

    TEntryWalk walk;
    const WalkStop stop = walk.Volume(read, trailer.payloadStart, end, trailer.headerStringCount, sink);
    if (stop == WalkStop::Damaged) {
        // A damaged compressed entry ends the extraction at its block.
        FUZZ_CHECK(walk.Error() != 0 && walk.Position() >= trailer.payloadStart && walk.Position() < end);
        return 0;
    }
    // A payload start past the end leaves the walk where it began.
    FUZZ_CHECK(walk.Position() >= trailer.payloadStart &&
               (walk.Position() <= end || walk.Position() == trailer.payloadStart));
    if (stop == WalkStop::End)
        FUZZ_CHECK(end - walk.Position() <= kTrailerLength && at == walk.Position());
    FUZZ_CHECK(walk.RunTarget() == runTarget);

    std::string image;
    if (walk.HeaderEnd() <= 0 || !file.ReadAt(0, static_cast<size_t>(walk.HeaderEnd()), image))
        return 0;
    const std::string agent = AgentImage(image, ReadTrailer(file));
    FUZZ_CHECK(agent.size() == image.size() + kTrailerLength);
    TFileReader agentFile = MemoryFile(agent);
    const TGFileInfo copy(agentFile);
    FUZZ_CHECK(copy.HasPayload() && copy.IsUpdateAgent() && copy.TrailerLength() == kTrailerLength);
    FUZZ_CHECK(copy.PayloadStart() == trailer.payloadStart && copy.FilesCount() == trailer.filesCount &&
               copy.HeaderStringCount() == trailer.headerStringCount);
    // The copy clears the stored end in the launcher's headers, which come before the
    // header strings in every launcher.
    const TGFileInfo original(file);
    if (!original.LanguageTable().empty() && trailer.payloadStart >= kStoredEndLow + 4)
        FUZZ_CHECK(copy.LanguageTable() == original.LanguageTable());
    return 0;
}
