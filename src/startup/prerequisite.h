// The media-runtime version required before the window opens.
#pragma once

#include <windows.h>

enum { VERSION_CAPACITY = 64, DXMEDIA_CAPACITY = 259, WINEXEC_CAPACITY = 130 };

// 1 when `installed` meets `required`: the two are compared as text, as the
// configuration has always been written for it.
int IsVersionRecentEnough(const wchar_t *installed, const wchar_t *required);

// 1 when the required version is met or none is required.
int CheckMediaRuntime();

// Writes the product version of `path` as "a.b.c.d"; 0 when it has none.
int GetFileVersionString(const wchar_t *path, wchar_t *version);

// Asks whether to install the runtime and may start its installer; returns 2.
int RunMediaRuntimePrompt();

// The runtime installer's command line (260 characters): the source root and
// Dxmedia with the processor token put in. 0 when it would not fit.
int BuildRuntimeCommandLine(wchar_t *commandLine);

// The command line in the ANSI code page, as WinExec takes it, into `ansi` of
// WINEXEC_CAPACITY bytes; 0 when it does not fit, for it is refused rather than cut.
int ToWinExecCommandLine(const wchar_t *commandLine, char *ansi);
