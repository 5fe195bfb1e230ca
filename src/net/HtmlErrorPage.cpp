#include "net/HtmlErrorPage.h"

#include "util/Utils.h"

namespace {
constexpr std::size_t kLookAt = 1000;
}

bool IsHtmlErrorPage(const std::string& textIn)
{
    const std::string text = textIn.substr(0, kLookAt);
    const int titleOpen = PosCI("<TITLE", text);
    const int notFound = PosCI("404", text);
    const int titleClose = PosCI("</TITLE>", text);
    if (titleOpen > 0 && titleOpen < notFound && notFound < titleClose)
        return true;
    const int html = PosCI("<HTML>", text);
    const int head = PosCI("<HEAD>", text);
    const int title = PosCI("<TITLE>", text);
    return html > 0 && html < head && head < title && title < titleClose;
}

std::string HtmlNotFoundMessage(const std::string& text, const std::string& url, const std::string& fallback,
                                bool iisHint)
{
    if (!IsHtmlErrorPage(text))
        return fallback;
    std::string message = "<B>404 File Not Found...</B><P><P>URL:  " + url + "." +
                          "<P><P>Please make sure the file is available and access is allowed to this file.";
    if (iisHint && PosCI("IIS", text.substr(0, kLookAt)) > 0)
        message += "<P><P>If you are using an IIS webserver you must define appropriate MIME-Types.";
    return message;
}
