#include "Branding.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "Manifest.h"
#include "ManifestIni.h"
#include "PeImage.h"
#include "ResourceTree.h"
#include "util/Utils.h"

namespace {

// The largest icon file taken: a full set of sizes up to 256 pixels stays far below.
constexpr uint64_t kLargestIcon = 4u << 20;
// A version text longer than this would not fit the resource's 16-bit lengths.
constexpr size_t kLongestText = 1000;
constexpr uint16_t kUsEnglish = 1033;

const char* const kLevels[] = {"asInvoker", "highestAvailable", "requireAdministrator"};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A refusal of what the launcher's resources cannot take, naming the key when one is at fault.
[[noreturn]] void Refuse(const std::string& key, const std::string& why)
{
    throw ManifestError("[Branding]" + (key.empty() ? std::string(":") : " " + key + ":") + " " + why);
}

// The language of the launcher's own resource of a type: the new one takes its place.
uint16_t LanguageOf(const std::vector<Resource>& resources, uint16_t type)
{
    for (const Resource& r : resources)
        if (r.type == ResourceKey::Id(type))
            return r.language;
    return kUsEnglish;
}

void RemoveType(std::vector<Resource>& resources, uint16_t type)
{
    resources.erase(std::remove_if(resources.begin(), resources.end(),
                                   [type](const Resource& r) { return r.type == ResourceKey::Id(type); }),
                    resources.end());
}

void SetIcon(std::vector<Resource>& resources, const std::vector<IconImage>& icon)
{
    // The group keeps the launcher's name for it: the launcher's window loads it by name,
    // and the first group is what Windows shows for the file.
    ResourceKey group{u"MAINICON", 0};
    uint16_t language = kUsEnglish;
    for (const Resource& r : resources)
        if (r.type == ResourceKey::Id(kRtGroupIcon)) {
            group = r.name;
            language = r.language;
            break;
        }
    RemoveType(resources, kRtIcon);
    RemoveType(resources, kRtGroupIcon);
    for (size_t i = 0; i < icon.size(); ++i)
        resources.push_back(
            {ResourceKey::Id(kRtIcon), ResourceKey::Id(static_cast<uint16_t>(i + 1)), language, 0, icon[i].data});
    resources.push_back({ResourceKey::Id(kRtGroupIcon), group, language, 0, IconGroup(icon, 1)});
}

void SetExecutionLevel(std::vector<Resource>& resources, const std::string& level)
{
    Resource* manifest = nullptr;
    for (Resource& r : resources)
        if (r.type == ResourceKey::Id(kRtManifest)) {
            if (manifest)
                Refuse("ExecutionLevel", "the launcher carries more than one manifest");
            manifest = &r;
        }
    const std::string element = "<requestedExecutionLevel";
    const size_t at = manifest ? manifest->data.find(element) : std::string::npos;
    const size_t end = at == std::string::npos ? at : manifest->data.find('>', at);
    const size_t attribute = end == std::string::npos ? end : manifest->data.find(" level=", at);
    if (attribute == std::string::npos || attribute > end || manifest->data.find(element, end) != std::string::npos)
        Refuse("ExecutionLevel", "the launcher's manifest names no single execution level");
    const size_t open = attribute + 7;
    const char quote = manifest->data[open];
    const size_t close = manifest->data.find(quote, open + 1);
    if ((quote != '"' && quote != '\'') || close == std::string::npos || close > end)
        Refuse("ExecutionLevel", "the launcher's manifest names no single execution level");
    manifest->data.replace(open + 1, close - open - 1, level);
}

} // namespace

Branding ReadBranding(const Reader& r, const std::filesystem::path& base)
{
    r.OnlyKeys({"Icon", "ProductName", "CompanyName", "FileDescription", "ProductVersion", "FileVersion",
                "LegalCopyright", "ExecutionLevel"});
    Branding b;
    if (const std::string* value = r.Find("Icon")) {
        const std::string path = SourcePath(base, *value);
        std::error_code ec;
        if (value->empty() || !std::filesystem::is_regular_file(path, ec))
            r.Fail("Icon", "the file " + path + " does not exist");
        if (std::filesystem::file_size(path, ec) > kLargestIcon)
            r.Fail("Icon", path + " is larger than an icon file can be");
        if (const std::string problem = ReadIconFile(ReadFile(path), b.icon); !problem.empty())
            r.Fail("Icon", path + ": " + problem);
    }
    // Each version stands in for the other when only one is given.
    const std::string* file = r.Find("FileVersion");
    const std::string* product = r.Find("ProductVersion");
    for (const char* key : {"FileVersion", "ProductVersion"})
        if (const std::string* v = r.Find(key))
            if (!ParseVersionNumber(*v, std::string(key) == "FileVersion" ? b.fileVersion : b.productVersion))
                r.Fail(key, "expected up to four numbers from 0 to 65535 joined by dots (1.2.3.4), not \"" + *v + "\"");
    if (file && !product)
        b.productVersion = b.fileVersion;
    if (product && !file)
        b.fileVersion = b.productVersion;
    // The launcher's own table is in this order.
    for (const char* key :
         {"CompanyName", "FileDescription", "FileVersion", "LegalCopyright", "ProductName", "ProductVersion"}) {
        const std::string* v = r.Find(key);
        if (!v && std::string(key) == "FileVersion")
            v = product;
        if (!v && std::string(key) == "ProductVersion")
            v = file;
        if (!v)
            continue;
        std::u16string wide;
        if (!Utf8ToUtf16(*v, wide) || v->find('\0') != std::string::npos)
            r.Fail(key, "must be UTF-8 text without NUL characters");
        if (wide.size() > kLongestText)
            r.Fail(key, "is longer than " + std::to_string(kLongestText) + " characters");
        b.texts.emplace_back(key, *v);
        b.versionInfo = true;
    }
    if (const std::string* v = r.Find("ExecutionLevel")) {
        for (const char* level : kLevels)
            if (UpperText(*v) == UpperText(level))
                b.executionLevel = level;
        if (b.executionLevel.empty())
            r.Fail("ExecutionLevel",
                   "expected asInvoker, highestAvailable or requireAdministrator, not \"" + *v + "\"");
    }
    return b;
}

std::string BrandImage(const std::string& image, const Branding& branding, const std::string& fileName)
{
    if (branding.icon.empty() && !branding.versionInfo && branding.executionLevel.empty())
        return image;
    ResourceSection section;
    std::vector<Resource> resources;
    std::string problem = FindResourceSection(image, section);
    if (problem.empty())
        problem = ReadResources(section, resources);
    if (!problem.empty())
        Refuse("", "the launcher's resources cannot be replaced: it has " + problem);

    if (!branding.icon.empty())
        SetIcon(resources, branding.icon);
    if (branding.versionInfo) {
        auto texts = branding.texts;
        std::u16string name;
        if (Utf8ToUtf16(fileName, name)) // a name in another code page is left out
            texts.emplace(
                std::find_if(texts.begin(), texts.end(), [](const auto& t) { return t.first > "OriginalFilename"; }),
                "OriginalFilename", fileName);
        const std::string version = VersionResource(branding.fileVersion, branding.productVersion, texts);
        if (version.empty())
            Refuse("", "the version texts do not fit in version information");
        const uint16_t language = LanguageOf(resources, kRtVersion);
        RemoveType(resources, kRtVersion);
        resources.push_back({ResourceKey::Id(kRtVersion), ResourceKey::Id(1), language, 0, version});
    }
    if (!branding.executionLevel.empty())
        SetExecutionLevel(resources, branding.executionLevel);
    return WithResourceSection(image, WriteResources(std::move(resources), section.rva));
}
