// Start-up: the refusals, the disc, the working copy, language and caption,
// and the message loop.
#pragma once

#include <windows.h>

// The program's whole run; WinMain returns its result.
int LauncherMain(HINSTANCE instance, int showCommand);

int GetSourceRoot(const wchar_t *path, wchar_t *root, int capacity);
void DetectProcessorToken();
// The English name of the user's language, as the locale gives it, into a
// buffer of TEXT_CAPACITY; empty when the locale gives none.
void ReadUserLanguage(wchar_t *name);
// Sets `launcher.language` for a user of `userLanguage`: the name if
// [Languages] lists it, else its leading letters if listed, else DefaultLang.
void ChooseLanguage(const wchar_t *userLanguage);
// 1 when `language` is a key of [Languages] with a non-empty value.
int IsLanguageListed(const wchar_t *language);
// The state a fresh launcher has when its window opens, for a user of
// `userLanguage`: the language, no highlight, the section prefix, the caption.
void PrepareWindowState(const wchar_t *userLanguage);
int IsApplicationInstalled(const wchar_t *appRegKey, wchar_t *text, int textCapacity);
