#include "agent/OriginalFile.h"

#include <cmath>

#include "util/KSUB.h"
#include "util/Utils.h"

OverrideBytes FreshOverrides()
{
    OverrideBytes bytes;
    bytes.fill(kNotOverridden);
    return bytes;
}

std::string OverrideList(const OverrideBytes& bytes)
{
    std::string list = "|";
    for (std::uint8_t b : bytes)
        list += std::to_string(b) + "|";
    return list;
}

void ParseOverrideList(const std::string& list, OverrideBytes& bytes)
{
    for (int i = 0; i < kOverrideCount; ++i) {
        // Any number sets its low byte (-1 is 255, not overridden); other text leaves the byte.
        std::int64_t value = 0;
        if (TryParseInt64(SUB::ListItem(list, i, ""), value))
            bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value & 0xFF);
    }
}

bool FlagText(const std::string& stored) { return stored == "1"; }

std::int64_t SecondsFromDateTime(const DateTime& when)
{
    return static_cast<std::int64_t>(std::llround(DaysFromDateTime(when) * 86400.0));
}

std::string ReadableSeconds(std::int64_t seconds)
{
    return DateTimeText(DateTimeFromDays(static_cast<double>(seconds) / 86400.0));
}

int OverrideIndexOf(const InfoKey& key)
{
    const InfoKey* overridable[kOverrideCount] = {
        nullptr,
        &Keys::RequestConfirmationBeforeDownload,
        &Keys::RequestConfirmationBeforeInstall,
        &Keys::BackgroundUpdate,
        &Keys::InformFinish,
        &Keys::RestartProcess,
        &Keys::RequestConfirmationBeforeDownloadForce,
        &Keys::RequestConfirmationBeforeInstallForce,
    };
    for (int i = 1; i < kOverrideCount; ++i)
        if (overridable[i]->file == key.file && std::string(overridable[i]->key) == key.key)
            return i;
    return -1;
}
