// The sample disc's installer: it only says what a real one would do.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int)
{
    wchar_t text[512];
    wsprintfW(text,
              L"This sample disc has no product to install.\n\n"
              L"A real installer would run now with the arguments:\n%.300s",
              commandLine);
    MessageBoxW(nullptr, text, L"Harbor Suite 2027", MB_OK | MB_ICONINFORMATION);
    return 0;
}
