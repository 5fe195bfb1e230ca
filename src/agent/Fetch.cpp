#include "agent/Fetch.h"

#include <vector>

#include "util/Utils.h"

namespace {

// The steps of a path in upper case; none at all when a step is empty in the middle,
// "." or "..", or holds a colon after the drive or a wildcard.
bool PathSteps(const std::string& path, std::vector<std::string>& steps)
{
    const std::string text = UpperText(ReplaceChar(path, '/', '\\'));
    const bool unc = text.rfind("\\\\", 0) == 0;
    std::size_t at = unc ? 2 : 0;
    steps.clear();
    while (at <= text.size()) {
        std::size_t end = text.find('\\', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string step = text.substr(at, end - at);
        at = end + 1;
        if (step.empty()) {
            if (end == text.size())
                break; // a trailing backslash
            return false;
        }
        const bool drive = steps.empty() && !unc && step.size() == 2 && step[1] == ':';
        if (step == "." || step == ".." || step.find_first_of("*?\"<>|") != std::string::npos ||
            (!drive && step.find(':') != std::string::npos))
            return false;
        steps.push_back(step);
    }
    return !steps.empty();
}

} // namespace

bool IsWebAddress(const std::string& base)
{
    return StartsWith("http://", base, true) || StartsWith("https://", base, true);
}

bool IsFolderSource(const std::string& base)
{
    return (base.size() >= 3 && base[1] == ':' && (base[2] == '\\' || base[2] == '/')) || base.rfind("\\\\", 0) == 0;
}

bool IsWithinFolder(const std::string& path, const std::string& folder)
{
    const auto network = [](const std::string& p) { return ReplaceChar(p, '/', '\\').rfind("\\\\", 0) == 0; };
    std::vector<std::string> inner, outer;
    // A network path stays on its own server and share, a drive path on its drive.
    if (network(path) != network(folder) || !PathSteps(path, inner) || !PathSteps(folder, outer) ||
        inner.size() < outer.size())
        return false;
    for (std::size_t i = 0; i < outer.size(); ++i)
        if (inner[i] != outer[i])
            return false;
    return true;
}

FetchSource FetchSourceOf(const std::string& base, bool fromServer, const std::string& ownServer)
{
    if (!fromServer)
        return FetchSource::FolderThenWeb;
    if (IsWebAddress(base))
        return FetchSource::Web;
    if (!IsWebAddress(ownServer) && IsFolderSource(ownServer) && IsFolderSource(base) &&
        IsWithinFolder(base, ownServer))
        return FetchSource::Folder;
    return FetchSource::Refused;
}

std::string FetchFailureText(const std::string& source, bool aborted, const std::string& abortedText,
                             const std::string& notFoundText, const std::string& unableText)
{
    if (aborted)
        return abortedText;
    const bool pathSource = (source.size() >= 2 && source[1] == ':') || source.rfind("\\\\", 0) == 0;
    return source + "<P><P>" + (pathSource ? notFoundText : unableText);
}

std::string ShownInfoError(const std::string& error)
{
    return !error.empty() && error[0] == '3' ? std::string() : error;
}
