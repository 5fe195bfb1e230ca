// Publishes one release of a product for its update agents:
//   publisher RELEASE.ini [--set Section/Key=value]...
// writes the ".info" file (signed with [Release] PrivateKey), the update setup and the
// inform file into the manifest's Output;
//   publisher keygen PRIVATE_KEY_FILE PUBLIC_KEY_FILE
// makes a new key pair for signing releases (see Signing.h for the files).
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "Release.h"
#include "Signing.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: publisher RELEASE.ini [--set Section/Key=value]...\n"
                         "       publisher keygen PRIVATE_KEY_FILE PUBLIC_KEY_FILE\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc >= 2 && std::strcmp(argv[1], "keygen") == 0) {
            if (argc != 4)
                return Usage();
            const PublicKey key = GenerateKeyFiles(argv[2], argv[3]);
            std::printf("%s\n%s\nkey id %s\n", argv[2], argv[3], KeyId(key).c_str());
            return 0;
        }
        if (argc < 2 || argv[1][0] == '-')
            return Usage();
        std::vector<std::string> overrides;
        for (int i = 2; i < argc; i += 2) {
            if (i + 1 >= argc || std::string(argv[i]) != "--set")
                return Usage();
            overrides.push_back(argv[i + 1]);
        }
        const ReleasePlan plan = ReadRelease(argv[1], overrides);
        if (plan.privateKey.empty())
            std::fprintf(stderr, "publisher: warning: no [Release] PrivateKey: the release is not signed, and "
                                 "products whose setup carries keys refuse it\n");
        for (const std::string& path : PublishRelease(plan))
            std::printf("%s\n", path.c_str());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "publisher: %s\n", error.what());
        return 1;
    }
}
