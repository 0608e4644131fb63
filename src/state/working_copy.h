// The working copy: the launcher's private copy of AUTORUN.INI, which every
// read of the configuration goes to while the launcher runs.
#pragma once

#include <windows.h>

// The Windows directory into a buffer of TEXT_CAPACITY; empty when it cannot be read.
void ReadWindowsDirectory(wchar_t *directory);

// The working copy's name for a disc labelled `label`, "~" + `label` + ".INI",
// into `name` (TEXT_CAPACITY). 0 when it does not fit.
int BuildWorkingCopyName(const wchar_t *label, wchar_t *name);

// Builds `directory` + the working copy's name into `path` (TEXT_CAPACITY), the
// directory given a trailing backslash when it lacks one. 0 when it does not fit.
int BuildWorkingCopyPath(const wchar_t *directory, const wchar_t *label, wchar_t *path);

// Places the working copy of the file named by `launcher.iniPath` in
// `windowsDirectory`, or in the temporary directory when that fails, and
// points `iniPath` at it.
void MakeWorkingCopy(const wchar_t *windowsDirectory);

// Clears the attributes of the copy that MakeWorkingCopy made and deletes it.
// Nothing else is ever deleted: without such a copy this does nothing.
void DeleteWorkingCopy();
