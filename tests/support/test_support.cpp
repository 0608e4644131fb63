#include "test_support.h"

#include <string.h>

std::wstring NativePath(const char *path)
{
    std::wstring result;
    if (path[0] == '/')
        result = L"Z:";
    for (const char *p = path; *p; p++)
        result += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return result;
}

std::wstring BuildDir()
{
    return NativePath(BUILD_DIR);
}

std::wstring BmpSuiteDir()
{
    return NativePath(BMPSUITE_DIR);
}

TempDir::TempDir()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static unsigned counter;
    for (;;) {
        wchar_t name[64];
        wsprintfW(name, L"ktlt%lu_%u", GetCurrentProcessId(), ++counter);
        path = std::wstring(base) + name;
        if (CreateDirectoryW(path.c_str(), nullptr))
            break;
    }
}

TempDir::~TempDir()
{
    RemoveTree(path);
}

void RemoveTree(const std::wstring &path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

void WriteBytes(const std::wstring &path, const void *data, size_t size)
{
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    if (size)
        WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}

void WriteTextFile(const std::wstring &path, const std::wstring &text)
{
    std::wstring content = L"\xFEFF" + text;
    WriteBytes(path, content.data(), content.size() * sizeof(wchar_t));
}

std::string ReadBytes(const std::wstring &path)
{
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read)
        bytes.append(chunk, read);
    CloseHandle(file);
    return bytes;
}

bool FileExists(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

CleanLauncher::CleanLauncher()
{
    UseRealPlatform();
    memset(&launcher, 0, sizeof launcher);
    launcher.instance = GetModuleHandleW(nullptr);
    launcher.hotIndex = -1;
    launcher.pressedIndex = -1;
}

CleanLauncher::~CleanLauncher()
{
    UseRealPlatform();
    memset(&launcher, 0, sizeof launcher);
}

void SetText(wchar_t (&field)[TEXT_CAPACITY], const std::wstring &text)
{
    lstrcpynW(field, text.c_str(), TEXT_CAPACITY);
}

void WriteBitmapFile(const std::wstring &path, int width, int height,
                     COLORREF (*colour)(int x, int y))
{
    int stride = (width * 3 + 3) & ~3;
    std::string bytes(14 + 40 + stride * height, '\0');
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfSize = static_cast<DWORD>(bytes.size());
    file.bfOffBits = 14 + 40;
    BITMAPINFOHEADER info = {};
    info.biSize = 40;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    memcpy(&bytes[0], &file, 14);
    memcpy(&bytes[14], &info, 40);
    for (int y = 0; y < height; y++) {
        char *row = &bytes[54 + stride * (height - 1 - y)];
        for (int x = 0; x < width; x++) {
            COLORREF c = colour(x, y);
            row[3 * x] = static_cast<char>(GetBValue(c));
            row[3 * x + 1] = static_cast<char>(GetGValue(c));
            row[3 * x + 2] = static_cast<char>(GetRValue(c));
        }
    }
    WriteBytes(path, bytes.data(), bytes.size());
}
