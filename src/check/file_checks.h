// Findings about the file as a whole.
#pragma once

#include "checker.h"

// The file as a whole: encoding, languages, settings, commands, unknown keys.
void CheckFile(Checker *checker);

// Keys of `section` that the launcher never reads: not in `known` (a list
// ending in null, or none), and not a slot key (cmd01 to cmd30) or a sound key
// (cmd01_sound ...) where allowed.
void CheckUnknownKeys(Checker *checker, const std::wstring &section, const wchar_t *const *known,
                      bool slotKeys, bool soundKeys);
