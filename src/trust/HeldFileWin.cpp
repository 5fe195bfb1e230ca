#include "trust/HeldFileWin.h"

#include <utility>
#include <vector>

#include "util/FilesWin.h"
#include "util/SysUtilsWin.h"

HeldFile HoldAndHash(const std::string& path)
{
    HeldFile held;
    // Others may read along (the setup run opens it again), nothing else.
    held.file.reset(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!held.file) {
        held.opened = SysResult::LastError();
        return held;
    }
    held.sha256 = Sha256OfHandle(held.file.get());
    return held;
}

std::optional<Sha256Digest> Sha256OfHandle(HANDLE file)
{
    Sha256 hash;
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return std::nullopt;
        if (got == 0)
            break;
        hash.Add(buffer.data(), got);
        YieldX(0);
    }
    return hash.Finish();
}

HeldDownload::HeldDownload(const std::string& base)
{
    // The file's own extension stays last: a setup is run as the program it is, and only
    // an ".exe" carries an agent copy out of its payload.
    const std::size_t slash = base.find_last_of("\\/");
    const std::size_t dot = base.find_last_of('.');
    const std::size_t split =
        dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot : base.size();
    // Written through this handle only: the readers that open it later share writing.
    NewFile made = CreateUniqueFile(base.substr(0, split), base.substr(split), FILE_SHARE_READ);
    made_ = made.made;
    file_ = std::move(made.file);
    path_ = std::move(made.path);
}

HeldDownload::HeldDownload(HeldDownload&& other) noexcept
    : file_(std::move(other.file_)), path_(std::move(other.path_)), made_(other.made_), hash_(std::move(other.hash_)),
      taken_(other.taken_), finished_(other.finished_), size_(other.size_)
{
    other.path_.clear();
}

HeldDownload& HeldDownload::operator=(HeldDownload&& other) noexcept
{
    if (this != &other) {
        Drop();
        file_ = std::move(other.file_);
        path_ = std::move(other.path_);
        made_ = other.made_;
        hash_ = std::move(other.hash_);
        taken_ = other.taken_;
        finished_ = other.finished_;
        size_ = other.size_;
        other.path_.clear();
    }
    return *this;
}

HeldDownload::~HeldDownload() { Drop(); }

void HeldDownload::Drop()
{
    const bool ours = static_cast<bool>(file_);
    file_.reset();
    if (ours && !path_.empty())
        ::DeleteFileA(path_.c_str());
    path_.clear();
}

bool HeldDownload::Take(const char* data, std::size_t size, std::string& error)
{
    const SysResult written =
        file_ && !finished_ ? WriteFileBytes(file_.get(), data, size) : SysResult{ERROR_INVALID_HANDLE};
    if (!written) {
        error = ErrorText(written.error);
        return false;
    }
    hash_.Add(data, size);
    size_ += static_cast<std::int64_t>(size);
    return true;
}

std::optional<Sha256Digest> HeldDownload::Finish()
{
    if (!finished_)
        taken_ = hash_.Finish();
    finished_ = true;
    return taken_;
}

bool HeldDownload::HoldForRun()
{
    if (!file_ || !Finish())
        return false;
    // No handle can deny writing while another one writes: the writer goes first, and what
    // happened to the file in between shows in its digest.
    file_.reset();
    file_.reset(::CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return file_ && Sha256OfHandle(file_.get()) == taken_;
}
