// The payload descriptor: opens a payload file, reads its trailer and header strings,
// and answers every question about the payload. Missing files, foreign files and
// damaged payloads all give a descriptor whose answers are zeros, empty texts and
// defaults.
#pragma once
#include <cstdint>
#include <string>

#include "payload/PayloadTrailer.h"

class TFileReader;

// Public keys of the product's publisher that a setup may carry for its agent, for
// rotation: a release signed by either is taken.
constexpr int kReleaseKeySlots = 2;

class TGFileInfo {
public:
    explicit TGFileInfo(const std::string& path);
    explicit TGFileInfo(TFileReader& file);

    const PayloadTrailer& Trailer() const { return trailer_; }
    bool HasPayload() const { return trailer_.magic == kPayloadMagic; }
    const std::string& LanguageTable() const { return languageTable_; }
    const std::string& UpdateOptions() const { return updateOptions_; }
    const std::string& DownloadOptions() const { return downloadOptions_; }

    // Trailer fields.
    uint8_t FormatByte() const { return trailer_.formatByte; }
    int HeaderStringCount() const { return trailer_.headerStringCount; }
    int64_t PayloadStart() const { return trailer_.payloadStart; }
    uint32_t FilesCount() const { return trailer_.filesCount; }
    uint32_t StoredChecksum() const { return trailer_.checksum; }
    uint32_t TrailerLength() const { return trailer_.length; }
    bool AlwaysShowTempDrive() const { return trailer_.flags & kFlagShowTempDrive; }
    bool Spanned() const { return trailer_.flags & kFlagSpanned; }
    bool SpanFromDisks() const { return trailer_.flags & kFlagSpanFromDisks; }
    bool ShowProgress() const { return trailer_.flags & kFlagShowProgress; }
    bool WriteUpdateLog() const { return trailer_.flags & kFlagUpdateLog; }
    bool WebDownload() const { return trailer_.webDownload != 0; }
    bool ConfirmDownload() const { return trailer_.confirmDownload != 0; }
    bool WriteUpdateAgent() const { return trailer_.writeUpdateAgent != 0; }
    bool IsUpdateAgent() const { return trailer_.isUpdateAgent != 0; }
    // The required space table entry for a drive with this cluster size (0 = unknown).
    double RequiredSpaceForCluster(uint64_t clusterSize) const;
    // Windows: the entry for the cluster size of the drive of path.
    double RequiredSpace(const std::string& path) const;

    // Update options.
    std::string UpdateServerUrl() const;
    std::string InfoFileName() const;
    std::string InstalledInfoName() const;
    std::string AgentFileName() const;
    std::string UpdateToken(bool descramble) const;
    bool RunHidden() const;
    // Public key n (0 or 1) of the publisher, as text; empty when the setup carries none
    // (a setup made without keys has only the five fields above).
    std::string ReleaseKey(int n) const;

    // Download options.
    std::string DownloadUrl() const;
    std::string DownloadFileName() const;
    std::string DownloadSize() const;
    bool AlwaysDownload() const;
    std::string DownloadToken(bool descramble) const;
    // The SHA-256 (hex) of the setup a web launcher runs; empty in launchers made without.
    std::string DownloadSha256() const;
    // Both tokens descramble, and to the same text (SameToken).
    bool SameDownloadToken(const TGFileInfo& other) const;
    bool SameUpdateToken(const TGFileInfo& other) const;

    // Windows: texts of the language block chosen for the user's language, shared by
    // every descriptor of the process.
    std::string LocalizedText(const std::string& key, const std::string& def) const;
    int Charset() const;
    int FontSize() const;
    std::string FontName() const;

private:
    void Read(TFileReader& file);

    PayloadTrailer trailer_;
    std::string languageTable_;
    std::string updateOptions_;
    std::string downloadOptions_;
};

// Windows, test-only: forgets the selected block so that the next lookup chooses again.
void ResetLanguageBlockForTest();

// The block of a language table for a language name: the first block named so
// (ignoring case and surrounding blanks), else the only block, else the block named
// "English"; "*" when there is none.
std::string SelectLanguageBlock(const std::string& table, const std::string& languageName);
// The value of key in a selected block; def when the key or the block is missing.
std::string LanguageBlockText(const std::string& block, const std::string& key, const std::string& def);
