// [Branding]: what a setup shows of itself to Windows (its icon, the version information
// of its file properties, the execution level of its manifest), written into the
// launcher's resources before the payload is appended. The agent copy and the web
// launcher are made from the same image, so they carry the same.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "IconFile.h"
#include "VersionResource.h"

class Reader;

struct Branding {
    std::vector<IconImage> icon; // empty: the launcher's own icon
    // Any text or version given: the version information is the manifest's alone.
    bool versionInfo = false;
    VersionNumber fileVersion{}, productVersion{};
    std::vector<std::pair<std::string, std::string>> texts; // key, UTF-8 value
    std::string executionLevel;                             // empty: the launcher's own manifest ("asInvoker")
};

// The [Branding] section; relative paths are taken from base. Refusals name the key.
Branding ReadBranding(const Reader& r, const std::filesystem::path& base);

// The launcher image carrying the branding (the image itself when there is none).
// fileName is the name the setup is written under, its "OriginalFilename". Throws
// ManifestError when the launcher's resources cannot take it.
std::string BrandImage(const std::string& image, const Branding& branding, const std::string& fileName);
