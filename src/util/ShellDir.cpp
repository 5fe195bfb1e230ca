#include "util/ShellDir.h"

#include <vector>

#include "util/CodePage.h"
#include "util/Utils.h"

namespace {

// Shell folder ids; kCreate asks SHGetFolderPathA to make a missing folder.
constexpr int kPrograms = 2;
constexpr int kPersonal = 5;
constexpr int kStartMenu = 11;
constexpr int kDesktopDirectory = 16;
constexpr int kCommonStartMenu = 22;
constexpr int kCommonPrograms = 23;
constexpr int kCommonDesktopDirectory = 25;
constexpr int kAppData = 26;
constexpr int kLocalAppData = 28;
constexpr int kCommonAppData = 35;
constexpr int kCommonDocuments = 46;
constexpr int kCreate = 0x8000;

using Candidate = std::function<std::string()>;

class Resolver {
public:
    explicit Resolver(const ShellFolderSource& source) : s_(source) {}

    std::string Folder(SpecialFolder which)
    {
        switch (which) {
        case SpecialFolder::User: return First({[&] { return ParentIfAccepted(Query(kPersonal)); }, Profile()});
        case SpecialFolder::UserAppData:
            return First({[&] { return Query(kAppData); }, Under(Profile(), "Application Data")});
        case SpecialFolder::UserLocalAppData:
            return First({[&] { return Query(kLocalAppData); }, Under(Profile(), "Application Data")});
        case SpecialFolder::MyDocuments:
            return First({[&] { return Query(kPersonal); }, Under(Profile(), "My Documents")});
        case SpecialFolder::UserStartMenu:
            return First({Special(kStartMenu), Under(Of(SpecialFolder::User), "Start Menu"),
                          Under(Of(SpecialFolder::AllUsers), "Start Menu")});
        case SpecialFolder::UserStartProgramMenu:
            return First({Special(kPrograms), Under(Of(SpecialFolder::User), "Start Menu\\Programs"),
                          Under(Of(SpecialFolder::AllUsers), "Start Menu\\Programs")});
        case SpecialFolder::UserDesktop:
            return First({Special(kDesktopDirectory), Under(Of(SpecialFolder::User), "Desktop"),
                          Under(Of(SpecialFolder::AllUsers), "Desktop")});
        case SpecialFolder::DocumentsAndSettings:
            return First({[&] { return ParentIfAccepted(ParentIfAccepted(Query(kPersonal))); }, Profile()});
        case SpecialFolder::AllUsers:
            return First({[&] { return ParentIfAccepted(Query(kCommonAppData)); }, Windows()});
        case SpecialFolder::AllUsersAppData:
            return First({[&] { return Query(kCommonAppData); }, Under(Windows(), "Application Data")});
        case SpecialFolder::AllUsersDocuments:
            return First({[&] { return Query(kCommonDocuments); }, Under(Windows(), "Documents")});
        case SpecialFolder::AllUsersStartMenu:
            return First({Special(kCommonStartMenu), Under(Of(SpecialFolder::AllUsers), "Start Menu")});
        case SpecialFolder::AllUsersStartProgramMenu:
            return First({Special(kCommonPrograms), Under(Of(SpecialFolder::AllUsers), "Start Menu\\Programs")});
        case SpecialFolder::AllUsersDesktop:
            return First({Special(kCommonDesktopDirectory), Under(Of(SpecialFolder::AllUsers), "Desktop")});
        }
        return {};
    }

private:
    bool Accepted(const std::string& candidate) const { return !candidate.empty() && s_.folderExists(candidate); }

    // The candidates in order until one is accepted; the last one stands regardless.
    std::string First(const std::vector<Candidate>& candidates) const
    {
        std::string candidate;
        for (const Candidate& next : candidates) {
            candidate = next();
            if (Accepted(candidate))
                break;
        }
        return candidate;
    }

    std::string Query(int id) const { return s_.folderPath(id | kCreate); }
    Candidate Special(int id) const
    {
        return [this, id] { return s_.specialFolderPath(id); };
    }
    std::string ParentIfAccepted(const std::string& folder) const
    {
        return Accepted(folder) ? ParentFolder(folder) : folder;
    }
    Candidate Windows() const
    {
        return [this] { return WithBackslash(s_.windowsFolder(), false); };
    }
    // The Windows folder's "Profiles\<owner>" where it exists, else the Windows folder.
    Candidate Profile() const
    {
        return [this] {
            const std::string windows = WithBackslash(s_.windowsFolder(), false);
            const std::string profile = windows + "\\Profiles\\" + s_.registeredOwner();
            return s_.folderExists(profile) ? profile : windows;
        };
    }
    Candidate Of(SpecialFolder base)
    {
        return [this, base] { return Folder(base); };
    }
    static Candidate Under(Candidate base, const std::string& name)
    {
        return [base, name] { return WithBackslash(base(), false) + "\\" + name; };
    }

    const ShellFolderSource& s_;
};

} // namespace

std::string SpecialFolderPath(SpecialFolder which, bool trailingSeparator, const ShellFolderSource& source)
{
    const std::string folder = Resolver(source).Folder(which);
    return folder.empty() ? folder : WithBackslash(folder, trailingSeparator);
}

std::string ParentFolder(const std::string& path)
{
    const std::string folder = WithBackslash(path, false);
    // The last separator that is not the second byte of a double-byte character.
    size_t cut = std::string::npos;
    for (size_t i = 0; i < folder.size(); ++i) {
        if (IsLeadByte(folder[i]))
            ++i;
        else if (folder[i] == '\\')
            cut = i;
    }
    if (cut == std::string::npos || folder.find_first_not_of('\\') > cut)
        return {};
    const std::string parent = folder.substr(0, cut);
    // A drive keeps its root separator: "C:" alone names the drive's current folder.
    return parent.size() == 2 && parent[1] == ':' ? parent + "\\" : parent;
}
