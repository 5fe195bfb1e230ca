#include "PayloadWriter.h"

#include <sys/stat.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "EntryCompressor.h"
#include "LittleEndian.h"
#include "PartFiles.h"
#include "payload/FileReader.h"
#include "payload/PayloadEntry.h"
#include "payload/PayloadTrailer.h"
#include "payload/Token.h"
#include "trust/Sha256.h"
#include "util/KSUB.h"
#include "util/Utils.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void IoError(const std::string& path, const std::string& what)
{
    throw std::runtime_error(path + ": " + what);
}

} // namespace

std::string LauncherImageProblem(const std::string& image)
{
    // The launcher finds its payload only behind a PE header at 256 (the build puts it
    // there), and a setup is a windowed program.
    constexpr size_t kPe = 256, kOptional = kPe + 24, kSubsystem = kOptional + 68;
    constexpr uint32_t kGui = 2;
    if (image.size() < 2 || image.compare(0, 2, "MZ") != 0)
        return "not a Windows program (no \"MZ\" at its start)";
    if (image.size() < kSubsystem + 2 || image.compare(kPe, 4, std::string("PE\0\0", 4)) != 0)
        return "no PE header at offset 256";
    if (Get16(image, kPe + 20) < 70 || Get16(image, kSubsystem) != kGui)
        return "not a Windows GUI program";
    return {};
}

namespace {

// A list of the items; where names the manifest's section for an item that the list
// cannot carry (a language block delimited by NUL, because one of its texts holds "|"
// and every other candidate, inside a table that needs NUL too): the launcher could not
// read it back, so it is refused rather than written.
std::string BuildList(const std::vector<std::string>& items, const std::string& where)
{
    std::string list;
    for (size_t i = 0; i < items.size(); ++i)
        list = SUB::ListSetItem(list, static_cast<int>(i), items[i]);
    for (size_t i = 0; i < items.size(); ++i)
        if (SUB::ListItem(list, static_cast<int>(i), "") != items[i])
            throw ManifestError(where + ": a text holds \"|\" and every other list delimiter (*^!~@#$& and the "
                                        "character 255), so no list can carry it");
    return list;
}

uint32_t FileStamp(const fs::path& path)
{
    // stat gives the whole second at once; converting the filesystem clock through two
    // readings of "now" could land a stamp on the neighbouring second.
    struct stat st;
    if (::stat(path.string().c_str(), &st) != 0)
        return 0;
    const std::time_t t = st.st_mtime;
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &t) != 0)
        return 0;
#else
    if (!localtime_r(&t, &local))
        return 0;
#endif
    return DosStamp(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

uint64_t EntriesOf(uint64_t size, uint64_t entrySize) { return size == 0 ? 1 : (size + entrySize - 1) / entrySize; }

void AddSpace(uint32_t& slot, uint64_t bytes)
{
    const uint64_t sum = slot + bytes;
    slot = sum > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(sum);
}

// Writes every volume under a temporary name and gives the files their real names only
// when all of them are complete: a build that fails leaves the previous setup as it was
// and no half-written one beside it.
class VolumeWriter {
public:
    ~VolumeWriter()
    {
        if (done_)
            return;
        out_.close();
        std::error_code ec;
        for (const std::string& path : written_)
            fs::remove(Part(path), ec);
        if (!path_.empty())
            fs::remove(Part(path_), ec);
    }

    VolumeWriter(const BuildPlan& plan, PayloadTrailer base) : plan_(plan), trailer_(base)
    {
        basePath_ = plan.output;
        const std::string suffix = ".001";
        if (basePath_.size() > suffix.size() && basePath_.compare(basePath_.size() - 4, 4, suffix) == 0)
            basePath_.resize(basePath_.size() - 4);
    }

    // Starts volume 1 with the launcher image and the header strings.
    void Begin(const std::string& image, const std::string& headers)
    {
        Open(plan_.output);
        trailer_.payloadStart = static_cast<int32_t>(image.size());
        Write(image);
        Write(headers);
        if (plan_.volumeSize && size_ + kVolumeEnd > plan_.volumeSize)
            throw ManifestError("[Setup] VolumeSize: " + std::to_string(plan_.volumeSize) +
                                " bytes do not hold the launcher and header strings (" + std::to_string(size_) +
                                " bytes), a link to the next volume and a trailer");
    }

    void AddEntry(const std::string& block)
    {
        if (plan_.volumeSize && size_ + block.size() + kVolumeEnd > plan_.volumeSize) {
            if (block.size() + kVolumeEnd > plan_.volumeSize)
                throw ManifestError("[Setup] VolumeSize: " + std::to_string(plan_.volumeSize) +
                                    " bytes do not hold an entry of " + std::to_string(block.size()) +
                                    " bytes; lower EntrySize or raise VolumeSize");
            // Entries never straddle volumes; the first volume may end up holding none.
            Finish(true);
            Open(basePath_ + "." + Volume(written_.size() + 1));
            trailer_.payloadStart = 0;
        }
        Write(block);
    }

    std::vector<std::string> End()
    {
        Finish(false);
        path_.clear();
        Seal();
        for (const std::string& path : written_) {
            std::error_code ec;
            fs::rename(Part(path), path, ec);
            if (ec) { // not every system's rename replaces a file
                fs::remove(path, ec);
                fs::rename(Part(path), path, ec);
            }
            if (ec)
                IoError(path, "cannot be written: " + ec.message());
        }
        ForgetPartFiles();
        done_ = true;
        return written_;
    }

private:
    static std::string Part(const std::string& path) { return path + ".part"; }

    static std::string Volume(size_t n)
    {
        std::string s = std::to_string(n);
        return std::string(s.size() < 3 ? 3 - s.size() : 0, '0') + s;
    }

    void Open(const std::string& path)
    {
        RegisterPartFile(Part(path));
        out_.open(Part(path), std::ios::binary | std::ios::trunc);
        if (!out_)
            IoError(path, "cannot be written");
        path_ = path;
        size_ = 0;
    }

    void Write(const std::string& bytes)
    {
        out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out_)
            IoError(path_, "write failed");
        size_ += bytes.size();
    }

    void Finish(bool anotherFollows)
    {
        // The link's digest is filled in by Seal, once the next volume is complete.
        if (anotherFollows)
            Write(VolumeLinkBlock(VolumeDigest{}));
        PayloadTrailer t = trailer_;
        t.flags = static_cast<uint8_t>(anotherFollows ? t.flags | kFlagSpanned : t.flags & ~kFlagSpanned);
        t.checksum = kNoChecksum;
        Write(std::string(reinterpret_cast<const char*>(&t), sizeof t));
        out_.close();
        if (!out_)
            IoError(path_, "write failed");
        const bool first = written_.empty();
        written_.push_back(path_);
        sizes_.push_back(size_);
        const std::string part = Part(path_);
        // An agent copy clears only the low word of the stored end: a high word would stay.
        if (first && plan_.storedEnd && size_ > 0xFFFFFFFFu)
            throw ManifestError("[Setup] StoredEnd: a first volume of 4 GiB or more (" + std::to_string(size_) +
                                " bytes) cannot store its end; set VolumeSize below 4 GiB");
        std::fstream patch(part, std::ios::binary | std::ios::in | std::ios::out);
        if (first && plan_.storedEnd) {
            // The payload end lets a signature block follow the payload.
            const std::string end = U32(static_cast<uint32_t>(size_ >> 32)) + U32(static_cast<uint32_t>(size_));
            patch.seekp(kStoredEndHigh);
            patch.write(end.data(), 8);
            patch.flush();
        }
        patch.close();
        if (!patch)
            IoError(path_, "could not be completed");
    }

    // From the last volume to the first: each volume's link gets the digest of the one
    // after it, then the volume its checksum, then its own digest is taken for the one
    // before. So every later volume is bound to the first.
    void Seal()
    {
        std::optional<VolumeDigest> next;
        for (size_t i = written_.size(); i-- > 0;) {
            const std::string part = Part(written_[i]);
            std::fstream patch(part, std::ios::binary | std::ios::in | std::ios::out);
            const uint64_t trailerAt = sizes_[i] - kTrailerLength;
            if (next) {
                patch.seekp(static_cast<std::streamoff>(trailerAt - next->size()));
                patch.write(reinterpret_cast<const char*>(next->data()), static_cast<std::streamsize>(next->size()));
                patch.flush();
            }
            if (plan_.checksum) {
                const uint32_t sum = PayloadChecksum(part, kTrailerLength);
                patch.seekp(static_cast<std::streamoff>(trailerAt + offsetof(PayloadTrailer, checksum)));
                patch.write(U32(sum).data(), 4);
            }
            patch.close();
            if (!patch)
                IoError(written_[i], "could not be completed");
            next = Sha256OfFile(part);
            if (!next)
                IoError(written_[i], "cannot be hashed");
        }
    }

    // What every volume keeps free at its end: a link to the next volume and the trailer.
    static constexpr uint64_t kVolumeEnd = kVolumeLinkBlockSize + kTrailerLength;

    const BuildPlan& plan_;
    PayloadTrailer trailer_;
    std::string basePath_;
    std::ofstream out_;
    std::string path_; // the volume being written, by its real name
    uint64_t size_ = 0;
    std::vector<std::string> written_;
    std::vector<uint64_t> sizes_; // of the volumes written
    bool done_ = false;
};

} // namespace

uint32_t DosStamp(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 1980 || year > 2107)
        return 0;
    const uint32_t date = static_cast<uint32_t>((year - 1980) << 9 | month << 5 | day);
    const uint32_t time = static_cast<uint32_t>(hour << 11 | minute << 5 | second / 2);
    return date << 16 | time;
}

std::vector<std::string> HeaderStrings(const BuildPlan& plan, uint32_t seed)
{
    std::vector<std::string> blocks;
    for (const LanguageBlock& language : plan.languages) {
        std::vector<std::string> items{language.name};
        for (const auto& [key, value] : language.texts)
            items.push_back(key + "=" + value);
        blocks.push_back(BuildList(items, "[Language " + language.name + "]"));
    }
    // No blocks: the table is a lone delimiter, meaning every text keeps its default.
    std::vector<std::string> strings{blocks.empty() ? std::string("|") : BuildList(blocks, "[Language]")};
    std::mt19937 random(seed);
    auto token = [&random](const std::string& text) { return text.empty() ? text : ScrambleToken(text, random()); };
    // Keys and the setup's hash only add fields: a setup without them reads as before.
    std::vector<std::string> update{plan.serverUrl, plan.infoFile, plan.agentFile, token(plan.updateToken),
                                    plan.runHidden};
    update.insert(update.end(), plan.releaseKeys.begin(), plan.releaseKeys.end());
    strings.push_back(BuildList(update, "[Update]"));
    if (plan.headerStrings > 2) {
        std::vector<std::string> download{plan.downloadUrl, plan.downloadFileName, plan.alwaysDownload,
                                          token(plan.downloadToken), plan.downloadSize};
        if (!plan.downloadSha256.empty())
            download.push_back(plan.downloadSha256);
        strings.push_back(BuildList(download, "[Download]"));
    }
    return strings;
}

std::vector<std::string> WritePayload(const BuildPlan& plan)
{
    if (plan.launcher.empty())
        throw ManifestError("[Setup] Launcher: no launcher given");
    if (plan.output.empty())
        throw ManifestError("[Setup] Output: no output file given");
    std::string image;
    {
        TFileReader launcher(plan.launcher);
        if (!launcher.IsOpen() || launcher.Size() == 0 || launcher.Size() > INT32_MAX ||
            !launcher.ReadAt(0, static_cast<size_t>(launcher.Size()), image))
            throw ManifestError("[Setup] Launcher: " + plan.launcher + " cannot be read");
        if (ReadTrailer(launcher).magic == kPayloadMagic)
            throw ManifestError("[Setup] Launcher: " + plan.launcher + " already carries a payload");
    }
    if (const std::string problem = LauncherImageProblem(image); !problem.empty())
        throw ManifestError("[Setup] Launcher: " + plan.launcher + " is not a bare launcher: " + problem);
    if (plan.storedEnd && (image.size() < 512 || image.compare(248, 8, std::string(8, '\0')) != 0))
        throw ManifestError("[Setup] StoredEnd: the launcher's bytes 248 to 255 are in use");
    image = BrandImage(image, plan.branding, fs::path(plan.output).filename().string());
    // Nothing is written until the plan has passed every check; then the output's
    // folder is made if it is missing.
    if (const fs::path folder = fs::path(plan.output).parent_path(); !folder.empty()) {
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (ec)
            IoError(folder.string(), "cannot be created: " + ec.message());
    }

    const uint32_t seed = plan.tokenSeed ? plan.tokenSeed : std::random_device{}();
    std::string headers;
    for (const std::string& s : HeaderStrings(plan, seed))
        headers += U32(static_cast<uint32_t>(s.size())) + s;

    PayloadTrailer t;
    std::memset(&t, 0, sizeof t);
    t.formatByte = plan.formatByte;
    t.headerStringCount = plan.headerStrings;
    t.magic = kPayloadMagic;
    t.flags = plan.flags;
    t.webDownload = plan.webDownload;
    t.confirmDownload = plan.confirmDownload;
    t.writeUpdateAgent = plan.writeUpdateAgent;
    t.isUpdateAgent = plan.isUpdateAgent;
    t.length = kTrailerLength;

    // Entry count and required space come from the sizes up front, because every
    // volume's trailer carries them.
    std::vector<uint64_t> sizes;
    uint64_t entries = 0;
    for (const PayloadFile& f : plan.files) {
        std::error_code ec;
        sizes.push_back(fs::file_size(f.source, ec));
        if (ec)
            IoError(f.source, "cannot be read");
        entries += EntriesOf(sizes.back(), plan.entrySize);
    }
    if (entries > 0xFFFFFFFFu)
        throw ManifestError("[Setup] EntrySize: too many entries");
    t.filesCount = static_cast<uint32_t>(entries);
    std::vector<uint64_t> written = sizes;
    if (plan.writeUpdateAgent)
        written.push_back(image.size() + headers.size() + kTrailerLength); // the agent copy
    for (uint64_t size : written)
        for (int i = 0; i <= 8; ++i) {
            const uint64_t cluster = i == 0 ? 1 : uint64_t{256} << i;
            AddSpace(t.requiredSpace[i], (size + cluster - 1) / cluster * cluster);
        }

    std::vector<EntryPiece> pieces;
    for (size_t i = 0; i < plan.files.size(); ++i) {
        const PayloadFile& f = plan.files[i];
        std::string name = f.name;
        if (!plan.runTarget.empty() && UpperText(f.name) == UpperText(plan.runTarget))
            name += "*" + plan.runParameters;
        const std::string header = BuildList({name, std::to_string(plan.keepDates ? FileStamp(f.source) : 0)}, "[Run]");
        // The launcher inflates no entry larger than a builder writes.
        if (header.size() > kLargestEntryHeader)
            throw ManifestError("[Files] " + f.name + ": its name, run parameters and date take " +
                                std::to_string(header.size()) + " bytes, more than " +
                                std::to_string(kLargestEntryHeader));
        uint64_t offset = 0;
        do {
            const uint64_t left = sizes[i] - offset;
            pieces.push_back(
                {f.source, offset, static_cast<size_t>(left < plan.entrySize ? left : plan.entrySize), header});
            offset += pieces.back().size;
        } while (offset < sizes[i]);
    }
    if (pieces.size() != entries)
        throw std::runtime_error("internal: entry count mismatch");

    VolumeWriter volumes(plan, t);
    volumes.Begin(image, headers);
    EntryCompressor blocks(std::move(pieces), plan.compress, plan.threads);
    for (uint64_t i = 0; i < entries; ++i)
        volumes.AddEntry(blocks.Next());
    std::vector<std::string> volumeFiles = volumes.End();
    if (plan.flags & kFlagSpanFromDisks) {
        // The launcher started from the first disk copies itself away and reads its
        // first volume under its own name + ".001": the disk carries both.
        std::error_code ec;
        fs::copy_file(volumeFiles.front(), volumeFiles.front() + ".001", fs::copy_options::overwrite_existing, ec);
        if (ec)
            IoError(volumeFiles.front() + ".001", "cannot be written: " + ec.message());
        volumeFiles.insert(volumeFiles.begin() + 1, volumeFiles.front() + ".001");
    }
    return volumeFiles;
}
