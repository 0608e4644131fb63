// The user's language and the processor, as the configuration's sections and
// paths name them.
#pragma once

#include <windows.h>

// Sets `launcher.archToken`: PROCESSOR_ARCHITECTURE when it is X86 or ALPHA
// in any case, else X86.
void DetectProcessorToken();
// The English name of the user's language, as the locale gives it, into a
// buffer of TEXT_CAPACITY; empty when the locale gives none.
void ReadUserLanguage(wchar_t *name);
// Sets `launcher.language` for a user of `userLanguage`: the name if
// [Languages] lists it, else its leading letters if listed, else DefaultLang.
void ChooseLanguage(const wchar_t *userLanguage);
// 1 when `language` is a key of [Languages] with a non-empty value.
int IsLanguageListed(const wchar_t *language);

// Releases what the last load read (the background, the slots' images) and
// forgets it.
void ForgetDiscLoad();

// Starts a load of the disc in `section` (which becomes the active one) for a
// user of `userLanguage`: releases and forgets what the last load read, then
// names the processor and chooses the language, the section prefix and the
// caption. The window's layout reads
// the background, and LM_RELOAD the slots and colours (LoadBackground,
// LoadSlotsAndColors), in that order.
void StartDiscLoad(const wchar_t *section, const wchar_t *userLanguage);
