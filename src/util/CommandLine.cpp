#include "util/CommandLine.h"

#include "util/KSUB.h"
#include "util/Utils.h"

std::string CommandArgsOf(const std::string& raw, const std::string& programPath)
{
    const size_t slash = programPath.find_last_of("\\/:");
    const std::string name = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
    std::string rest = raw;
    if (!name.empty()) {
        const std::string quoted = name + "\"";
        int at = PosCI(quoted, rest);
        size_t len = quoted.size();
        if (at == 0) {
            at = PosCI(name, rest);
            len = name.size();
        }
        if (at != 0) {
            rest.erase(0, static_cast<size_t>(at - 1) + len);
            if (TrimText(rest).size() == 1)
                rest.clear();
            return TrimText(rest);
        }
    }
    const int full = PosCI(programPath, rest);
    if (full != 0)
        rest.erase(static_cast<size_t>(full - 1), programPath.size());
    return TrimText(rest);
}

bool HasSwitchIn(const std::string& args, const std::string& sw)
{
    const std::string s = TrimText(sw);
    if (s.empty())
        return false;
    return PosCI(s + " ", args + " ") > 0;
}

std::string SwitchValueIn(const std::string& args, const std::string& sw, const std::string& def)
{
    const std::string s = TrimText(sw);
    if (s.empty())
        return def;
    const char switchChar = s[0] == '-' ? '-' : '/';
    const std::string key = FilterChars(s, "", std::string(1, switchChar));

    // Items start at every blank followed by the switch character; quotes only
    // group words for the shell and never reach a value.
    const char d = '\x01';
    std::string list = " " + ReplaceAll(args, "\"", "");
    list = ReplaceAll(list, std::string(" ") + switchChar, std::string(1, d));
    list = d + list + d;

    // d never occurs inside a value, so it can mark "not found".
    const std::string v = SUB::ListValue(list, key, std::string(1, d), "");
    if (v == std::string(1, d))
        return def;
    return TrimText(v);
}

int64_t SwitchIntIn(const std::string& args, const std::string& sw, int64_t def)
{
    return ParseInt64(SwitchValueIn(args, sw, ""), def);
}
