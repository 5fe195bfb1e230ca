#include "Dump.h"

#include <sstream>

#include "payload/FileReader.h"
#include "payload/GFileInfo.h"
#include "payload/Token.h"
#include "util/KSUB.h"

std::string DumpPayload(const std::string& path)
{
    const TGFileInfo info(path);
    TFileReader file(path);
    const PayloadTrailer& t = info.Trailer();
    std::ostringstream out;
    auto line = [&out](const char* key, const auto& value) { out << key << "=" << value << "\n"; };
    auto flag = [&line](const char* key, bool value) { line(key, value ? 1 : 0); };
    auto token = [&line](const char* key, const std::string& stored) {
        std::string text;
        const bool valid = TryDescrambleToken(stored, text);
        line((std::string(key) + "Valid").c_str(), valid ? 1 : 0);
        line(key, valid ? text : "");
    };

    line("File", path);
    line("FileSize", file.Size());
    const bool executable = IsExecutable(file);
    flag("IsExecutable", executable);
    // A later volume holds entries and a trailer only: the header strings, and with them
    // the languages and options, are in the first volume.
    const bool laterVolume = info.HasPayload() && !executable;
    if (laterVolume)
        line("Volume", "later (the header strings are in the first volume)");
    line("StoredPayloadEnd", StoredPayloadEnd(file));
    flag("HasPayload", info.HasPayload());
    line("FormatByte", static_cast<int>(info.FormatByte()));
    line("HeaderStringCount", info.HeaderStringCount());
    line("PayloadStart", info.PayloadStart());
    line("FilesCount", info.FilesCount());
    line("StoredChecksum", info.StoredChecksum());
    const uint32_t computed = PayloadChecksum(file, info.TrailerLength());
    line("ComputedChecksum", computed);
    flag("ChecksumOk", ChecksumPasses(computed, info.StoredChecksum()));
    line("TrailerLength", info.TrailerLength());
    for (int i = 0; i < 9; ++i)
        line(("RequiredSpace" + std::to_string(i)).c_str(), t.requiredSpace[i]);
    flag("AlwaysShowTempDrive", info.AlwaysShowTempDrive());
    flag("Spanned", info.Spanned());
    flag("SpanFromDisks", info.SpanFromDisks());
    flag("ShowProgress", info.ShowProgress());
    flag("WriteUpdateLog", info.WriteUpdateLog());
    line("WebDownload", static_cast<int>(t.webDownload));
    line("ConfirmDownload", static_cast<int>(t.confirmDownload));
    line("WriteUpdateAgent", static_cast<int>(t.writeUpdateAgent));
    line("IsUpdateAgent", static_cast<int>(t.isUpdateAgent));

    if (laterVolume)
        return out.str();
    // A setup without update options carries the format's empty template ("http:",
    // ".info", ".exe"): nothing of it is shown as if it were set.
    const bool updateTemplate = info.UpdateServerUrl() == "http:" && info.InfoFileName() == ".info" &&
                                info.AgentFileName() == ".exe" && info.UpdateToken(false).empty();
    if (!info.UpdateOptions().empty() && !updateTemplate) {
        line("UpdateServerUrl", info.UpdateServerUrl());
        line("InfoFileName", info.InfoFileName());
        line("InstalledInfoName", info.InstalledInfoName());
        line("AgentFileName", info.AgentFileName());
        token("UpdateToken", info.UpdateToken(false));
        flag("RunHidden", info.RunHidden());
        for (int n = 0; n < kReleaseKeySlots; ++n)
            if (!info.ReleaseKey(n).empty())
                line(("ReleaseKey" + std::to_string(n + 1)).c_str(), info.ReleaseKey(n));
    }
    if (!info.DownloadOptions().empty()) {
        line("DownloadUrl", info.DownloadUrl());
        line("DownloadFileName", info.DownloadFileName());
        line("DownloadSize", info.DownloadSize());
        flag("AlwaysDownload", info.AlwaysDownload());
        token("DownloadToken", info.DownloadToken(false));
        if (!info.DownloadSha256().empty())
            line("DownloadSha256", info.DownloadSha256());
    }

    line("LanguageTable", info.LanguageTable());
    const std::string& table = info.LanguageTable();
    for (int i = 0; i < SUB::ListCount(table); ++i) {
        const std::string block = SUB::ListItem(table, i, "");
        line(("Language." + SUB::ListItem(block, 0, "")).c_str(), block);
    }
    // What the launcher picks on an English system.
    const std::string english = SelectLanguageBlock(table, "ENGLISH");
    line("English.s0", LanguageBlockText(english, "s0", ""));
    line("English.FontName", LanguageBlockText(english, "FontName", "Tahoma"));
    line("English.FontSize", LanguageBlockText(english, "FontSize", "8"));
    line("English.Charset", LanguageBlockText(english, "Charset", "0"));
    return out.str();
}
