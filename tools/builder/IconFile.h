// An .ico file and the two kinds of resource it becomes in an exe.
//
// File:   reserved (2) = 0, type (2) = 1, count (2), then per image 16 bytes:
//         width, height, colours, reserved (1 each), planes, bits per pixel (2 each),
//         size (4), offset in the file (4); the images follow (a bitmap header or a PNG).
// In an exe every image is its own icon resource; the icon group resource is the file's
// header with each 16-byte record shortened to 14 bytes, the offset replaced by the
// 2-byte id of the image's resource.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct IconImage {
    std::string entry; // the directory record's first 12 bytes (size and planes included)
    std::string data;
};

// The images of an .ico file; a message when the bytes are not one.
std::string ReadIconFile(const std::string& bytes, std::vector<IconImage>& out);

// The icon group resource of images whose resources have the ids firstId, firstId + 1 ...
std::string IconGroup(const std::vector<IconImage>& images, uint16_t firstId);
