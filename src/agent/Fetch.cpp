#include "agent/Fetch.h"

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
