// Folder-variable expansion of an author's text on a made-up machine whose values hold
// no angle brackets.
// Properties: a text without "<" comes back unchanged unless relative paths are resolved;
// the full-path query is asked only for paths that hold a parent step; without path
// variables the result does not depend on the machine's folders; expansion never grows
// the text beyond what its names can give.
#include "FuzzInput.h"
#include "payload/FolderVariables.h"

namespace {

bool HasParentStep(const std::string& path)
{
    return path.find("\\..") != std::string::npos || path.find("..\\") != std::string::npos;
}

const std::string kFolder = "C:\\F\\o\\l\\d\\e\\r";
const std::string kOtherFolder = "D:\\G\\p\\m\\e\\f\\s";

// A machine whose folders are `folder`; its other values are the same on every machine.
VariableSource Source(const std::string& folder = kFolder)
{
    VariableSource s;
    s.value = [](SystemValue v) {
        return v == SystemValue::LoggedUserName || v == SystemValue::UserName || v == SystemValue::CompanyName ||
                       v == SystemValue::ComputerName || v == SystemValue::CurrentDomainName
                   ? std::string(" user ")
                   : kFolder + "\\";
    };
    s.specialFolder = [folder](SpecialFolder) { return folder; };
    s.now = [] { return DateTime{2026, 12, 10, 14, 5, 9}; };
    s.longMonthName = [](int month) {
        FUZZ_CHECK(month >= 1 && month <= 12);
        return std::string("December");
    };
    s.dateSeparator = [] { return std::string("."); };
    s.fullPath = [](const std::string& p) {
        FUZZ_CHECK(HasParentStep(p));
        return p.size() % 3 ? "D:\\full" : "";
    };
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> f = Fields(data, size, 3);
    const unsigned mode = f[0].empty() ? 0 : static_cast<unsigned char>(f[0][0]);
    const bool pathVariables = mode & 1, resolveRelative = mode & 2;
    SetInstallFolders(kFolder, kFolder, mode & 4 ? "" : kFolder);
    // The suffix is the caller's own short text ("\\" in the launcher), not outside input.
    const std::string suffix = f[1].substr(0, 2);
    const std::string& text = f[2];

    const std::string expanded = ExpandVariables(text, suffix, pathVariables, resolveRelative, Source());
    if (text.find('<') == std::string::npos && !resolveRelative)
        FUZZ_CHECK(expanded == text);
    if (!pathVariables && !resolveRelative) {
        SetInstallFolders(kOtherFolder, kOtherFolder, mode & 4 ? "" : kOtherFolder);
        FUZZ_CHECK(ExpandVariables(text, suffix, false, false, Source(kOtherFolder)) == expanded);
    }
    // The longest value a name can give is the folder with its suffix; every name is at
    // least 5 characters long.
    if (!resolveRelative)
        FUZZ_CHECK(expanded.size() <= text.size() + (text.size() / 5 + 1) * (kFolder.size() + suffix.size() + 24));
    return 0;
}
