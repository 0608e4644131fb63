// Start-up: the refusals, the disc, the working copy, language and caption,
// and the message loop.
#pragma once

#include <windows.h>

// The program's whole run; WinMain returns its result.
int LauncherMain(HINSTANCE instance, int showCommand);

int GetSourceRoot(const wchar_t *path, wchar_t *root, int capacity);
