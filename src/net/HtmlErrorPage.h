// Telling a web server's error page from the file that was asked for: a server that
// cannot find a file often answers with an HTML page instead, sometimes with status 200.
#pragma once

#include <string>

// True when the first 1000 characters are an HTML page with "404" in its title, or any
// HTML document with html, head and title tags in this order (tags in any letter case).
bool IsHtmlErrorPage(const std::string& text);

// The "404 File Not Found" message naming url when text is such a page, else fallback.
// iisHint adds advice on MIME types when the page mentions IIS.
std::string HtmlNotFoundMessage(const std::string& text, const std::string& url, const std::string& fallback,
                                bool iisHint);
