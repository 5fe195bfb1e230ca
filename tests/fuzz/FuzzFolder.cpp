#include "FuzzFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "FuzzInput.h"

namespace {

struct Folder {
    std::string path;
    Folder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kfuzz.XXXXXX").string();
        FUZZ_CHECK(mkdtemp(&pattern[0]) != nullptr);
        path = pattern;
    }
    ~Folder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

} // namespace

const std::string& FuzzFolder()
{
    static const Folder folder;
    return folder.path;
}

void WriteFuzzFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
}
