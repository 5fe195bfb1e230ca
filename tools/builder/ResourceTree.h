// The resource directory of a PE image as a flat list, and back.
//
// The directory has three levels (type, name, language). Each level is a table
//   16 bytes   characteristics, time stamp, version, count of named and of id entries
//   8 x n      entries: name (bit 31: offset of a counted UTF-16 string, else an id) and
//              offset (bit 31: a table of the next level, else a 16-byte data entry:
//              RVA of the data, size, code page, reserved)
// Offsets are from the section's start; named entries come first, sorted, then ids in
// ascending order, because the loader looks them up by binary search.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PeImage.h"

// A level's key: a name (as stored: the loader compares upper case) or, when empty, an id.
struct ResourceKey {
    std::u16string name;
    uint16_t id = 0;

    static ResourceKey Id(uint16_t id) { return {u"", id}; }
    bool operator==(const ResourceKey& o) const { return name == o.name && id == o.id; }
    // The directory's order: names before ids.
    bool operator<(const ResourceKey& o) const;
};

struct Resource {
    ResourceKey type, name;
    uint16_t language = 0;
    uint32_t codePage = 0;
    std::string data;
};

// Standard resource types.
constexpr uint16_t kRtIcon = 3, kRtGroupIcon = 14, kRtVersion = 16, kRtManifest = 24;

// The resources of a section; a message when its directory is damaged.
std::string ReadResources(const ResourceSection& section, std::vector<Resource>& out);

// The bytes of a resource section at rva holding the resources (no two with the same
// type, name and language).
std::string WriteResources(std::vector<Resource> resources, uint32_t rva);
