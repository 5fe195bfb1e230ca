#include "ResourceTree.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "LittleEndian.h"

namespace {

constexpr uint32_t kSubdirectory = 0x80000000u, kNamed = 0x80000000u;
constexpr size_t kTable = 16, kEntry = 8, kDataEntry = 16;
// A directory whose entries share their subtables could otherwise list (or visit) far
// more than its bytes hold.
constexpr size_t kMostResources = 4096;

class Reader {
public:
    Reader(const ResourceSection& s, std::vector<Resource>& out) : s_(s), out_(out) {}

    std::string Table(size_t at, int level, Resource partial)
    {
        const std::string& b = s_.bytes;
        if (++tables_ > kMostResources)
            return "more resources than a launcher has";
        if (at + kTable > b.size())
            return "a resource table beyond its section";
        const size_t count = Get16(b, at + 12) + Get16(b, at + 14);
        if (at + kTable + count * kEntry > b.size())
            return "a resource table beyond its section";
        for (size_t i = 0; i < count; ++i) {
            const size_t e = at + kTable + i * kEntry;
            ResourceKey key;
            if (std::string problem = Key(Get32(b, e), level, key); !problem.empty())
                return problem;
            const uint32_t offset = Get32(b, e + 4);
            if (level == 0)
                partial.type = key;
            else if (level == 1)
                partial.name = key;
            else
                partial.language = key.id;
            if ((level < 2) != ((offset & kSubdirectory) != 0))
                return "a resource directory that is not three levels deep";
            std::string problem =
                level < 2 ? Table(offset & ~kSubdirectory, level + 1, partial) : Data(offset, partial);
            if (!problem.empty())
                return problem;
        }
        return {};
    }

private:
    std::string Key(uint32_t field, int level, ResourceKey& key)
    {
        const std::string& b = s_.bytes;
        if (!(field & kNamed)) {
            if (field > 0xFFFF)
                return "a resource id above 65535";
            key.id = static_cast<uint16_t>(field);
            return {};
        }
        const size_t at = field & ~kNamed;
        if (level == 2)
            return "a resource language given by name";
        if (at + 2 > b.size() || at + 2 + 2 * size_t{Get16(b, at)} > b.size())
            return "a resource name beyond its section";
        for (size_t i = 0; i < Get16(b, at); ++i)
            key.name += static_cast<char16_t>(Get16(b, at + 2 + 2 * i));
        if (key.name.empty())
            return "an empty resource name";
        return {};
    }

    std::string Data(size_t at, Resource& partial)
    {
        const std::string& b = s_.bytes;
        if (at + kDataEntry > b.size())
            return "a resource data entry beyond its section";
        const uint32_t rva = Get32(b, at), size = Get32(b, at + 4);
        if (rva < s_.rva || rva - s_.rva > b.size() || size > b.size() - (rva - s_.rva))
            return "resource data outside its section";
        if (out_.size() == kMostResources)
            return "more resources than a launcher has";
        partial.codePage = Get32(b, at + 8);
        partial.data = b.substr(rva - s_.rva, size);
        out_.push_back(partial);
        return {};
    }

    const ResourceSection& s_;
    std::vector<Resource>& out_;
    size_t tables_ = 0;
};

// Counted UTF-16 strings, each stored once.
class Names {
public:
    void Add(const ResourceKey& k)
    {
        if (!k.name.empty())
            offsets_.emplace(k.name, 0);
    }
    // Gives every name its offset from start; the end.
    size_t Place(size_t start)
    {
        for (auto& [name, offset] : offsets_) {
            offset = start;
            start += 2 + 2 * name.size();
        }
        return start;
    }
    uint32_t Field(const ResourceKey& k) const
    {
        return k.name.empty() ? k.id : kNamed | static_cast<uint32_t>(offsets_.at(k.name));
    }
    void Write(std::string& b) const
    {
        for (const auto& [name, offset] : offsets_) {
            Put16(b, offset, static_cast<uint32_t>(name.size()));
            for (size_t i = 0; i < name.size(); ++i)
                Put16(b, offset + 2 + 2 * i, name[i]);
        }
    }

private:
    std::map<std::u16string, size_t> offsets_;
};

} // namespace

bool ResourceKey::operator<(const ResourceKey& o) const
{
    if (name.empty() != o.name.empty())
        return !name.empty();
    return name.empty() ? id < o.id : name < o.name;
}

std::string ReadResources(const ResourceSection& section, std::vector<Resource>& out)
{
    out.clear();
    return Reader(section, out).Table(0, 0, Resource{});
}

std::string WriteResources(std::vector<Resource> resources, uint32_t rva)
{
    std::sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
        return std::tie(a.type, a.name, a.language) < std::tie(b.type, b.name, b.language);
    });
    struct Name {
        ResourceKey key;
        std::vector<size_t> languages; // indices into resources
        size_t table = 0;
    };
    struct Type {
        ResourceKey key;
        std::vector<Name> names;
        size_t table = 0;
    };
    std::vector<Type> types;
    Names names;
    for (size_t i = 0; i < resources.size(); ++i) {
        const Resource& r = resources[i];
        names.Add(r.type);
        names.Add(r.name);
        if (types.empty() || !(types.back().key == r.type))
            types.push_back({r.type, {}});
        std::vector<Name>& level = types.back().names;
        if (level.empty() || !(level.back().key == r.name))
            level.push_back({r.name, {}});
        level.back().languages.push_back(i);
    }

    // The root, then every type's table of names, then every name's table of languages,
    // the data entries, the names, and the data.
    size_t at = kTable + kEntry * types.size();
    for (Type& t : types) {
        t.table = at;
        at += kTable + kEntry * t.names.size();
    }
    for (Type& t : types)
        for (Name& n : t.names) {
            n.table = at;
            at += kTable + kEntry * n.languages.size();
        }
    const size_t dataEntries = at;
    at = names.Place(at + kDataEntry * resources.size());
    std::vector<size_t> dataAt;
    for (const Resource& r : resources) {
        at = (at + 7) / 8 * 8;
        dataAt.push_back(at);
        at += r.data.size();
    }

    std::string b(at, '\0');
    names.Write(b);
    auto header = [&b](size_t table, size_t named, size_t count) {
        Put16(b, table + 12, static_cast<uint32_t>(named));
        Put16(b, table + 14, static_cast<uint32_t>(count - named));
    };
    auto entry = [&b](size_t table, size_t i, uint32_t name, uint32_t offset) {
        Put32(b, table + kTable + kEntry * i, name);
        Put32(b, table + kTable + kEntry * i + 4, offset);
    };
    auto named = [](const auto& list) {
        return static_cast<size_t>(
            std::count_if(list.begin(), list.end(), [](const auto& x) { return !x.key.name.empty(); }));
    };
    header(0, named(types), types.size());
    for (size_t i = 0; i < types.size(); ++i) {
        const Type& t = types[i];
        entry(0, i, names.Field(t.key), kSubdirectory | static_cast<uint32_t>(t.table));
        header(t.table, named(t.names), t.names.size());
        for (size_t j = 0; j < t.names.size(); ++j) {
            const Name& n = t.names[j];
            entry(t.table, j, names.Field(n.key), kSubdirectory | static_cast<uint32_t>(n.table));
            header(n.table, 0, n.languages.size());
            for (size_t k = 0; k < n.languages.size(); ++k) {
                const size_t index = n.languages[k];
                entry(n.table, k, resources[index].language, static_cast<uint32_t>(dataEntries + kDataEntry * index));
            }
        }
    }
    for (size_t i = 0; i < resources.size(); ++i) {
        const size_t e = dataEntries + kDataEntry * i;
        Put32(b, e, rva + static_cast<uint32_t>(dataAt[i]));
        Put32(b, e + 4, static_cast<uint32_t>(resources[i].data.size()));
        Put32(b, e + 8, resources[i].codePage);
        b.replace(dataAt[i], resources[i].data.size(), resources[i].data);
    }
    return b;
}
