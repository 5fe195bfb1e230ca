#include "payload/FileReader.h"

namespace {

bool Seek(std::FILE* f, int64_t offset, int origin)
{
#ifdef _WIN32
    return _fseeki64(f, offset, origin) == 0;
#else
    return fseeko(f, static_cast<off_t>(offset), origin) == 0;
#endif
}

int64_t Tell(std::FILE* f)
{
#ifdef _WIN32
    return _ftelli64(f);
#else
    return static_cast<int64_t>(ftello(f));
#endif
}

} // namespace

TFileReader::TFileReader(const std::string& path) : TFileReader(std::fopen(path.c_str(), "rb")) {}

TFileReader::TFileReader(std::FILE* stream) : file_(stream)
{
    if (!file_)
        return;
    if (!Seek(file_.get(), 0, SEEK_END) || (size_ = Tell(file_.get())) < 0) {
        file_.reset();
        size_ = 0;
    }
}

size_t TFileReader::ReadSome(int64_t offset, void* out, size_t n)
{
    if (!file_ || offset < 0 || offset >= size_ || n == 0)
        return 0;
    const int64_t left = size_ - offset;
    if (static_cast<uint64_t>(left) < n)
        n = static_cast<size_t>(left);
    if (!Seek(file_.get(), offset, SEEK_SET))
        return 0;
    return std::fread(out, 1, n, file_.get());
}

bool TFileReader::ReadAt(int64_t offset, void* out, size_t n)
{
    if (n == 0)
        return file_ != nullptr && offset >= 0 && offset <= size_;
    if (offset < 0 || offset > size_ || static_cast<uint64_t>(size_ - offset) < n)
        return false;
    return ReadSome(offset, out, n) == n;
}

bool TFileReader::ReadAt(int64_t offset, size_t n, std::string& out)
{
    out.clear();
    if (offset < 0 || offset > size_ || static_cast<uint64_t>(size_ - offset) < n)
        return false; // before allocating: n may come from a damaged length field
    out.resize(n);
    if (!ReadAt(offset, &out[0], n)) {
        out.clear();
        return false;
    }
    return true;
}

bool TFileReader::ReadU32(int64_t offset, uint32_t& value)
{
    unsigned char b[4];
    if (!ReadAt(offset, b, 4))
        return false;
    value = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
    return true;
}
