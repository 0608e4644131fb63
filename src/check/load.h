// Loads as the launcher does, for one user language after another.
#pragma once

#include "checker.h"

// Writes `bytes`, the author's AUTORUN.INI as read, to a file of the
// checker's own and points `launcher.iniPath` at it, deleting the one it
// replaces. 0 when it cannot be written; then `iniPath` is left as it is.
int PlaceSnapshot(const std::string &bytes);
void DeleteSnapshot();

// The user languages to check as, by default: every key of [Languages], then
// a user whose language is not listed (the empty answer).
std::vector<std::wstring> UserLanguagesToCheck(const Checker &checker);

// Sets up the launcher state as a fresh launcher would have it for a user whose
// locale answers `userLanguage` (empty: the locale gives no name), chooses the
// language by the launcher's rules, lays out the background and loads the
// slots and colours. Returns the chosen language.
// All at `dpi`: the configuration's 96 unless a preview asks for a scale.
std::wstring LoadAsUser(Checker *checker, const std::wstring &userLanguage, int dpi = 96);

// Frees what the last load made; the file, the root and the label stay.
void ReleaseLoad();

// The hidden window the loads measure and load bitmaps with; null on failure.
HWND CreateCheckWindow();
