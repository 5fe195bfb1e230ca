// Publishes one release of a product for its update agents:
//   publisher RELEASE.ini
// writes the ".info" file, the update setup and the inform file into the manifest's Output.
#include <cstdio>
#include <exception>

#include "Release.h"

int main(int argc, char** argv)
{
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: publisher RELEASE.ini\n");
        return 2;
    }
    try {
        for (const std::string& path : PublishRelease(ReadRelease(argv[1])))
            std::printf("%s\n", path.c_str());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "publisher: %s\n", error.what());
        return 1;
    }
}
