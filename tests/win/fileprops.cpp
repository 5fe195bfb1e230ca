// What Windows itself reads of an exe's properties, for the branding scenarios: its
// version information (GetFileVersionInfo), the icon Windows shows for it (ExtractIconEx)
// and the execution level of its manifest. One Key=value a line:
//   fileprops FILE
//   FileVersion=4.5.0.0  ProductVersion=...  (the fixed numbers)
//   String.ProductName=...                   (each text of the 040904B0 table)
//   Icons=N  IconPixel=RRGGBB                (the centre of the first large icon)
//   Manifest=...                             (the manifest resource's text, one line)
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Version(const char* path)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    std::vector<char> info(size ? size : 1);
    if (!size || !GetFileVersionInfoA(path, 0, size, info.data())) {
        std::printf("VersionInfo=0\n");
        return;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed)
        std::printf("FileVersion=%u.%u.%u.%u\nProductVersion=%u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS),
                    LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS),
                    HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                    HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS));
    for (const char* key : {"CompanyName", "FileDescription", "FileVersion", "LegalCopyright", "OriginalFilename",
                            "ProductName", "ProductVersion"}) {
        // The wide query: the texts are Unicode, printed as UTF-8.
        const std::wstring query = L"\\StringFileInfo\\040904B0\\" + std::wstring(key, key + strlen(key));
        wchar_t* text = nullptr;
        if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) || !text)
            continue;
        char utf8[4096] = "";
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
        std::printf("String.%s=%s\n", key, utf8);
    }
}

void Icon(const char* path)
{
    HICON large = nullptr;
    const UINT count = ExtractIconExA(path, -1, nullptr, nullptr, 0);
    std::printf("Icons=%u\n", count);
    if (count == 0 || ExtractIconExA(path, 0, &large, nullptr, 1) == 0 || !large)
        return;
    ICONINFO icon{};
    GetIconInfo(large, &icon);
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAP bm{};
    GetObject(icon.hbmColor, sizeof bm, &bm);
    HGDIOBJ old = SelectObject(dc, icon.hbmColor);
    const COLORREF c = GetPixel(dc, bm.bmWidth / 2, bm.bmHeight / 2);
    SelectObject(dc, old);
    std::printf("IconPixel=%02X%02X%02X\n", GetRValue(c), GetGValue(c), GetBValue(c));
    DeleteDC(dc);
    DeleteObject(icon.hbmColor);
    DeleteObject(icon.hbmMask);
    DestroyIcon(large);
}

void Manifest(const char* path)
{
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = module ? FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)) : nullptr;
    HGLOBAL data = found ? LoadResource(module, found) : nullptr;
    if (data) {
        std::string text(static_cast<const char*>(LockResource(data)), SizeofResource(module, found));
        for (char& c : text)
            if (c == '\r' || c == '\n')
                c = ' ';
        std::printf("Manifest=%s\n", text.c_str());
    }
    if (module)
        FreeLibrary(module);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fileprops FILE\n");
        return 2;
    }
    Version(argv[1]);
    Icon(argv[1]);
    Manifest(argv[1]);
    return 0;
}
