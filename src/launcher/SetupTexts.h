// Texts of the setup run that need no window: the temp-space and download confirmations.
#pragma once

#include <functional>
#include <string>

// Looks a localized text up by key, with its English default.
using TextLookup = std::function<std::string(const std::string& key, const std::string& def)>;

// The confirmation text, or empty when nothing needs confirming: the drive is named
// when alwaysTell is set, and a warning replaces that when required >= available.
std::string SpaceConfirmText(const std::string& workFolder, bool alwaysTell, double required, double available,
                             const TextLookup& text);

// The question before a web setup downloads its setup file, with "<SIZE>" replaced by
// the megabytes of downloadSize (the payload's text; 0 when it is not a number).
std::string DownloadConfirmText(const std::string& downloadSize, const TextLookup& text);
