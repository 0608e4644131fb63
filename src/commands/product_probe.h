// Whether the product this disc installs is on the machine.
#pragma once

// 1 when the product named by AppRegKey is installed, with `text` (of
// `textCapacity` characters) for what was found. No product counts as installed.
int IsApplicationInstalled(const wchar_t *appRegKey, wchar_t *text, int textCapacity);

// The section the launcher starts in: Run when the product that AppRegKey of
// Setup names (read into `launcher.appRegKeyValue`) is installed, else Setup.
const wchar_t *ChooseStartSection();
