#include "payload/FolderVariables.h"

#include <cctype>
#include <cmath>

#include "util/KSUB.h"
#include "util/RunTimeDir.h"

namespace {

struct InstallFolders {
    std::string application, common, auxiliary;
};
InstallFolders g_install;

struct SpecialName {
    const char* name;
    SpecialFolder folder;
};
const SpecialName kSpecialNames[] = {
    {"<UserDir>", SpecialFolder::User},
    {"<UserAppDataDir>", SpecialFolder::UserAppData},
    {"<UserLocalAppDataDir>", SpecialFolder::UserLocalAppData},
    {"<MyDocumentsDir>", SpecialFolder::MyDocuments},
    {"<UserStartMenuDir>", SpecialFolder::UserStartMenu},
    {"<UserStartProgramMenuDir>", SpecialFolder::UserStartProgramMenu},
    {"<UserDesktopDir>", SpecialFolder::UserDesktop},
    {"<DocumentsAndSettingsDir>", SpecialFolder::DocumentsAndSettings},
    {"<AllUsersDir>", SpecialFolder::AllUsers},
    {"<AllUsersAppDataDir>", SpecialFolder::AllUsersAppData},
    {"<AllUsersDocumentsDir>", SpecialFolder::AllUsersDocuments},
    {"<AllUsersStartMenuDir>", SpecialFolder::AllUsersStartMenu},
    {"<AllUsersStartProgramMenuDir>", SpecialFolder::AllUsersStartProgramMenu},
    {"<AllUsersDesktopDir>", SpecialFolder::AllUsersDesktop},
};

// Names the launcher has no value for: they are removed.
const char* const kEmptyNames[] = {
    "<EnteredUserName>", "<EnteredCompanyName>",     "<EnteredStartProgramMenu>", "<VendorCompanyName>",
    "<ProjectName>",     "<ProgramDescriptiveName>", "<ProgramVersion>",          "<SelectedLanguage>",
};

bool Contains(const std::string& text, const std::string& name) { return PosCI(name, text) > 0; }

bool HasParentStep(const std::string& path)
{
    return path.find("\\..") != std::string::npos || path.find("..\\") != std::string::npos;
}

std::string DateValue(char code, const VariableSource& source)
{
    const DateTime now = source.now();
    const std::string dd = IntToZeroPad(now.day, 2), mm = IntToZeroPad(now.month, 2);
    const std::string yy = IntToZeroPad(now.year % 100, 2), yyyy = IntToZeroPad(now.year, 4);
    switch (code) {
    case '#': {
        const std::string separator = source.dateSeparator();
        return dd + separator + source.longMonthName(now.month) + separator + yyyy;
    }
    case '0': {
        DateTime start;
        start.year = 2000, start.month = 1, start.day = 1;
        return std::to_string(static_cast<long long>(std::floor(DaysFromDateTime(now) - DaysFromDateTime(start))));
    }
    case '1': return dd + "-" + mm + "-" + yy;
    case '2': return mm + "-" + dd + "-" + yy;
    case '3': return yy + "-" + mm + "-" + dd;
    case '4': return dd + "-" + mm + "-" + yyyy;
    case '5': return mm + "-" + dd + "-" + yyyy;
    case '6': return yyyy + "-" + mm + "-" + dd;
    case '7':
        return yyyy + "-" + mm + "-" + dd + " " + IntToZeroPad(now.hour, 2) + ":" + IntToZeroPad(now.minute, 2) + ":" +
               IntToZeroPad(now.second, 2);
    }
    return {};
}

class Expansion {
public:
    Expansion(const std::string& text, const std::string& suffix, const VariableSource& source)
        : text_(text), suffix_(suffix), source_(source)
    {
    }

    const std::string& Text() const { return text_; }

    // Only the first "<Date=" counts; an unknown code leaves the text alone.
    void Date()
    {
        const int at = PosCI("<Date=", text_);
        if (at == 0 || PosFrom(">", text_, at + 6, false) == 0)
            return;
        const char code = text_[static_cast<size_t>(at) + 5];
        if (std::string("#01234567").find(code) == std::string::npos)
            return;
        text_ = ReplaceText(text_, std::string("<Date=") + code + ">", DateValue(code, source_), 1, 1, true);
    }

    void Identity()
    {
        Plain("<LoggedUserName>", [&] { return TrimText(source_.value(SystemValue::LoggedUserName)); });
        Plain("<UserName>", [&] { return TrimText(source_.value(SystemValue::UserName)); });
        Plain("<CompanyName>", [&] { return TrimText(source_.value(SystemValue::CompanyName)); });
        Plain("<ComputerName>", [&] { return source_.value(SystemValue::ComputerName); });
        Plain("<CurrentDomainName>", [&] { return source_.value(SystemValue::CurrentDomainName); });
        Plain("<LastExecutableExitCode>", [] { return std::string("0"); });
        Plain("<ReqFreeDiskSpaceMB>", [] { return std::string("0"); });
        for (const char* name : kEmptyNames)
            Remove(name);
    }

    void Paths(std::string identityResult)
    {
        Remove("<UnInstallExePath>");
        if (Contains(text_, "<RunTimeDir_"))
            for (int n = 1; n <= kRunTimeDirCount; ++n)
                Folder("<RunTimeDir_" + std::to_string(n) + ">", [n] { return WithBackslash(RunTimeDir(n), false); });
        Folder("<Application Folder>", [] { return g_install.application; });
        Folder("<Common Folder>", [] { return g_install.common; });
        Folder("<Auxiliary Folder>", [] { return g_install.auxiliary; });
        Folder("<Windows Directory>", System(SystemValue::WindowsFolder));
        Folder("<System Directory>", System(SystemValue::SystemFolder));
        Folder("<System16 Directory>", System(SystemValue::System16Folder));
        // A text that used an older name means the newer install names are not meant.
        if (text_ != identityResult) {
            Remove("<InstallDir>");
            Remove("<InstallCommonDir>");
            Remove("<InstallAuxDir>");
        }
        Remove("<AbsoluteDir>");
        Folder("<InstallDir>", [] { return g_install.application; });
        Folder("<InstallCommonDir>", [] { return g_install.common; });
        Folder("<InstallAuxDir>", [] { return g_install.auxiliary; });
        Remove("<AbsoluteDir>");
        Folder("<WinDir>", System(SystemValue::WindowsFolder));
        Folder("<WinSysDir>", System(SystemValue::SystemFolder));
        Folder("<WinSys32Dir>", System(SystemValue::SystemFolder));
        Folder("<WinSys16Dir>", System(SystemValue::System16Folder));
        const auto install = [] { return g_install.application; };
        const auto windows = System(SystemValue::WindowsFolder);
        const auto system = System(SystemValue::SystemFolder);
        const auto origin = System(SystemValue::OriginFolder);
        Plain("<InstallDrive>", Head(install, 3));
        Plain("<WinDrive>", Head(windows, 3));
        Plain("<WinSysDrive>", Head(system, 3));
        Plain("<OriginDrive>", Head(origin, 3));
        Plain("<InstallDisk>", Head(install, 2));
        Plain("<WinDisk>", Head(windows, 2));
        Plain("<WinSysDisk>", Head(system, 2));
        Plain("<OriginDisk>", Head(origin, 2));
        Folder("<StartMenuDir>", System(SystemValue::StartMenuFolder));
        Folder("<ProgramFilesDir>", System(SystemValue::ProgramFilesFolder));
        Folder("<CommonFilesDir>", System(SystemValue::CommonFilesFolder));
        Folder("<NativeProgramFilesDir>", System(SystemValue::NativeProgramFilesFolder));
        Folder("<NativeCommonFilesDir>", System(SystemValue::NativeCommonFilesFolder));
        Folder("<FontDir>", System(SystemValue::FontFolder));
        Folder("<SrcDir>", System(SystemValue::LauncherFolder));
        Folder("<OriginDir>", origin);
        Folder("<TempDir>", System(SystemValue::TempFolder));
        Folder("<ServiceDir>", System(SystemValue::LauncherFolder));
        for (const SpecialName& special : kSpecialNames)
            Folder(special.name, [&] { return WithBackslash(source_.specialFolder(special.folder), false); });
        if (text_ != identityResult)
            text_ = CollapseBackslashes(text_, false);
    }

    void ResolveRelative()
    {
        if (!HasParentStep(text_))
            return;
        const bool list = (text_[0] == ',' || text_[0] == '|') && SUB::ListCount(text_) >= 1;
        if (!list) {
            text_ = FullPath(text_);
            return;
        }
        const int count = SUB::ListCount(text_);
        for (int n = 0; n < count; ++n) {
            const std::string item = SUB::ListItem(text_, n, "");
            if (HasParentStep(item))
                text_ = SUB::ListSetItem(text_, n, FullPath(item));
        }
    }

private:
    using Value = std::function<std::string()>;

    // Unresolvable paths stay as they are rather than vanish.
    std::string FullPath(const std::string& path) const
    {
        const std::string full = source_.fullPath(path);
        return full.empty() ? path : full;
    }

    Value System(SystemValue which) const
    {
        return [this, which] { return WithBackslash(source_.value(which), false); };
    }
    static Value Head(Value folder, size_t length)
    {
        return [folder, length] { return folder().substr(0, length); };
    }

    void Remove(const std::string& name) { text_ = ReplaceAllCI(text_, name, ""); }
    void Plain(const std::string& name, const Value& value)
    {
        if (Contains(text_, name))
            text_ = ReplaceAllCI(text_, name, value());
    }
    // The suffix is decided once, at the name's first occurrence.
    void Folder(const std::string& name, const Value& value)
    {
        const int at = PosCI(name, text_);
        if (at == 0)
            return;
        text_ = ReplaceAllCI(text_, name,
                             KeepsSuffix(static_cast<size_t>(at) - 1 + name.size()) ? value() + suffix_ : value());
    }
    bool KeepsSuffix(size_t after) const
    {
        if (after >= text_.size())
            return false;
        const char next = text_[after];
        if (next == ' ')
            return false;
        const bool field = text_.size() >= 2 && text_.front() == next && text_.back() == next && next != '<' &&
                           !std::isalpha(static_cast<unsigned char>(next));
        return !field;
    }

    std::string text_;
    const std::string& suffix_;
    const VariableSource& source_;
};

} // namespace

void SetInstallFolders(const std::string& application, const std::string& common, const std::string& auxiliary)
{
    g_install = {application, common, auxiliary};
}

std::string ExpandVariables(const std::string& text, const std::string& folderSuffix, bool pathVariables,
                            bool resolveRelative, const VariableSource& source)
{
    Expansion expansion(text, folderSuffix, source);
    if (text.find('<') != std::string::npos) {
        expansion.Date();
        expansion.Identity();
        if (pathVariables)
            expansion.Paths(expansion.Text());
    }
    if (resolveRelative)
        expansion.ResolveRelative();
    return expansion.Text();
}
