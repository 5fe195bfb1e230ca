// Publishes one release of a product for its update agents:
//   publisher RELEASE.ini [--set Section/Key=value]...
// writes the ".info" file, the update setup and the inform file into the manifest's Output.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "Release.h"

int main(int argc, char** argv)
{
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: publisher RELEASE.ini [--set Section/Key=value]...\n");
        return 2;
    }
    std::vector<std::string> overrides;
    for (int i = 2; i < argc; i += 2) {
        if (i + 1 >= argc || std::string(argv[i]) != "--set") {
            std::fprintf(stderr, "usage: publisher RELEASE.ini [--set Section/Key=value]...\n");
            return 2;
        }
        overrides.push_back(argv[i + 1]);
    }
    try {
        for (const std::string& path : PublishRelease(ReadRelease(argv[1], overrides)))
            std::printf("%s\n", path.c_str());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "publisher: %s\n", error.what());
        return 1;
    }
}
