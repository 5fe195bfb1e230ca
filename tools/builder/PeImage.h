// The bare launcher's PE image as the branding needs it: where its resource section is,
// and the image with that section replaced.
//
//   0     "MZ" ... DOS stub (bytes 248-255: the stored payload end, zero in a bare launcher)
//   256   "PE\0\0", file header (20), optional header (PE32 or PE32+), section table
//   ...   section raw data in file order; the resource section is followed at most by
//         the base relocations, whose bytes do not depend on where they lie
//
// Replacing the resource section keeps the headers where they are (the PE header at 256),
// moves the relocation section behind the new resources and fixes the sizes and
// directory entries that say where they are. Everything is checked against the bytes
// there before it is used: the image comes from a file the builder was given.
#pragma once

#include <cstdint>
#include <string>

struct ResourceSection {
    std::string bytes; // the section's data as the directory sees it (virtual size)
    uint32_t rva = 0;  // where the resource directory starts
};

// The resource section of a launcher image, or a message why the image cannot be
// branded (no resources, a layout the rewrite cannot keep, a signed image).
std::string FindResourceSection(const std::string& image, ResourceSection& out);

// The image with the resource section's data replaced by resources (laid out for the
// same RVA). The image must have passed FindResourceSection.
std::string WithResourceSection(const std::string& image, const std::string& resources);
