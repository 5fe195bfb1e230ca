// Portable pieces of the settings, registry and system helpers.
#include "util/SysUtils.h"

#include <algorithm>
#include <cstring>

#include "util/KSUB.h"
#include "util/Utils.h"

RegistryRootKey RegistryRootOf(const std::string& name)
{
    struct Entry {
        const char* longName;
        const char* shortName;
        RegistryRootKey root;
    };
    static const Entry table[] = {
        {"HKEY_CLASSES_ROOT", "HKCR", RegistryRootKey::ClassesRoot},
        {"HKEY_CURRENT_USER", "HKCU", RegistryRootKey::CurrentUser},
        {"HKEY_LOCAL_MACHINE", "HKLM", RegistryRootKey::LocalMachine},
        {"HKEY_USERS", "HKU", RegistryRootKey::Users},
        {"HKEY_CURRENT_CONFIG", "HKCC", RegistryRootKey::CurrentConfig},
        {"HKEY_DYN_DATA", "HKDD", RegistryRootKey::DynData},
    };
    std::string upper = UpperText(name);
    for (const Entry& e : table)
        if (upper == e.longName || upper == e.shortName)
            return e.root;
    return RegistryRootKey::CurrentUser;
}

RegistryPath SplitRegistryPath(const std::string& path)
{
    std::string p = TrimText(path);
    RegistryPath result;
    if (!StartsWith("HK", p, true)) {
        result.subKey = p;
        return result;
    }
    std::size_t slash = p.find('\\');
    if (slash == std::string::npos) {
        result.root = RegistryRootOf(p);
        return result;
    }
    result.root = RegistryRootOf(p.substr(0, slash));
    result.subKey = p.substr(slash + 1);
    return result;
}

std::string RegistryValueText(uint32_t type, const std::string& data)
{
    if (type == kRegDword && data.size() == 4) {
        uint32_t v = 0;
        std::memcpy(&v, data.data(), 4); // little-endian on every Windows machine
        return std::to_string(v);
    }
    if (type == kRegMultiSz && data.size() > 2) {
        std::string s = data;
        while (!s.empty() && s.back() == '\0')
            s.pop_back();
        return ReplaceAll(s, std::string(1, '\0'), "<0>");
    }
    return data.substr(0, data.find('\0'));
}

std::string WindowsVersionKeyFor(bool isNT)
{
    std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    return isNT ? ReplaceAll(key, "Windows", "Windows NT") : key;
}

std::string NormalizeVersion(const std::string& text, int width, int parts)
{
    std::string list = "." + FilterChars(ReplaceChar(text, ',', '.'), ".0123456789", "") + ".";
    std::string out;
    for (int i = 0; i < parts; ++i) {
        int64_t n = SUB::ListItemInt(list, i, 0);
        out += ZeroPad(std::to_string(n), width) + ".";
    }
    return TrimChar(out, '.', true, false);
}

int64_t SleepStep(int64_t step, int64_t duration)
{
    if (step != 0)
        return step;
    return std::clamp<int64_t>(duration / 10, 1, 25);
}
