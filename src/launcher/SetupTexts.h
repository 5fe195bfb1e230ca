// Texts of the setup run that need no window: the temp-space confirmation.
#pragma once

#include <functional>
#include <string>

// Looks a localized text up by key, with its English default.
using TextLookup = std::function<std::string(const std::string& key, const std::string& def)>;

// The confirmation text, or empty when nothing needs confirming: the drive is named
// when alwaysTell is set, and a warning replaces that when required >= available.
std::string SpaceConfirmText(const std::string& workFolder, bool alwaysTell, double required, double available,
                             const TextLookup& text);
