#include "util/PrivateAccessWin.h"

#include <ntsecapi.h>
#include <sddl.h>

#include "util/PrivateAccess.h"
#include "util/Utils.h"

namespace {

// Names that are taken in a row before giving up: each try is a fresh random name, so
// only somebody who fills the folder with every name could ever be met twice.
constexpr int kNameTries = 8;

ScopedHandle ProcessToken()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return ScopedHandle();
    return ScopedHandle(token);
}

std::string UserSid()
{
    const ScopedHandle token = ProcessToken();
    union {
        TOKEN_USER user;
        BYTE bytes[256];
    } data;
    DWORD size = 0;
    char* text = nullptr;
    if (!token || !::GetTokenInformation(token.get(), TokenUser, &data, sizeof data, &size) ||
        !::ConvertSidToStringSidA(data.user.User.Sid, &text))
        return {};
    const std::string sid = text;
    ::LocalFree(text);
    return sid;
}

// Calls make(path) with new random names in parent until it makes one: make reports
// ERROR_ALREADY_EXISTS or ERROR_FILE_EXISTS for a name that is taken, 0 when made. The
// result is the last error (0 when made).
template <class Make>
DWORD MakeWithRandomName(const std::string& parent, const std::string& prefix, const std::string& suffix, Make make)
{
    // Without a parent the name would be taken from the current drive's root.
    if (parent.empty())
        return ERROR_PATH_NOT_FOUND;
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int i = 0; i < kNameTries && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS); ++i) {
        std::uint8_t bytes[8];
        if (!RtlGenRandom(bytes, sizeof bytes))
            return SysResult::LastError().error;
        error = make(WithBackslash(parent, true) + RandomName(prefix, bytes) + suffix);
    }
    return error;
}

} // namespace

bool RunsElevated()
{
    const ScopedHandle token = ProcessToken();
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return token && ::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

TPrivateAccess::TPrivateAccess()
{
    const std::string sddl = PrivateAccessSddl(UserSid(), RunsElevated());
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor_, nullptr))
        descriptor_ = nullptr;
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = descriptor_;
    attributes_.bInheritHandle = FALSE;
}

TPrivateAccess::~TPrivateAccess()
{
    if (descriptor_)
        ::LocalFree(descriptor_);
}

PrivateFolder MakePrivateFolder(const std::string& parent, const std::string& prefix)
{
    PrivateFolder folder;
    TPrivateAccess access;
    if (!access) {
        folder.error = SysResult::LastError().error;
        return folder;
    }
    folder.error = MakeWithRandomName(parent, prefix, "", [&](const std::string& path) -> DWORD {
        // Fails when the name exists, whatever it is (a folder, a file, a link).
        if (!::CreateDirectoryA(path.c_str(), access.Attributes()))
            return SysResult::LastError().error;
        folder.hold.reset(::CreateFileA(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
        folder.path = path;
        return 0;
    });
    return folder;
}

ScopedFile CreatePrivateFile(const std::string& path)
{
    TPrivateAccess access;
    if (!access)
        return ScopedFile();
    return ScopedFile(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, access.Attributes(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

PrivateFile MakePrivateFile(const std::string& folder, const std::string& prefix, const std::string& suffix)
{
    PrivateFile made;
    MakeWithRandomName(folder, prefix, suffix, [&made](const std::string& path) -> DWORD {
        made.file = CreatePrivateFile(path);
        if (!made.file)
            return SysResult::LastError().error;
        made.path = path;
        return 0;
    });
    return made;
}
