// Shared helpers of the test programs.
#pragma once

#include "platform/platform.h"
#include "state/launcher_state.h"

#include <string>

// A build-machine path as this process sees it ("/x/y" becomes "Z:\x\y" under Wine).
std::wstring NativePath(const char *path);

// The build folder and the BMP corpus folder, as native paths.
std::wstring BuildDir();
std::wstring BmpSuiteDir();

// A fresh empty folder under the temporary directory; removed with its files
// when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::wstring &Path() const { return path; }
    std::wstring File(const std::wstring &name) const { return path + L"\\" + name; }

private:
    std::wstring path;
};

// Writes UTF-16 text with a byte-order mark, as the profile reader accepts it.
void WriteTextFile(const std::wstring &path, const std::wstring &text);
void WriteBytes(const std::wstring &path, const void *data, size_t size);
std::string ReadBytes(const std::wstring &path);
bool FileExists(const std::wstring &path);
void RemoveTree(const std::wstring &path);

// Puts back the real platform and a zeroed launcher state at the start and end
// of a test that fakes either.
class CleanLauncher {
public:
    CleanLauncher();
    ~CleanLauncher();
};

// Sets a text field of the launcher state.
void SetText(wchar_t (&field)[TEXT_CAPACITY], const std::wstring &text);

// Writes a bottom-up 24-bit BMP file of width x height whose pixel (x, y) is
// colour(x, y).
void WriteBitmapFile(const std::wstring &path, int width, int height,
                     COLORREF (*colour)(int x, int y));
