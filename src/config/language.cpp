#include "language.h"

#include "../platform/platform.h"
#include "../state/bounded_text.h"
#include "../state/launcher_state.h"
#include "command_table.h"
#include "config_names.h"
#include "config_values.h"

#include <wctype.h>

void DetectProcessorToken()
{
    wchar_t value[TEXT_CAPACITY] = L"";
    DWORD length = os.GetEnvironmentVariableW(L"PROCESSOR_ARCHITECTURE", value, TEXT_CAPACITY);
    if (length >= TEXT_CAPACITY)
        value[0] = 0; // too long to be either token
    static const wchar_t *const tokens[] = {L"X86", L"ALPHA"};
    if (value[0]) {
        for (const wchar_t *token : tokens) {
            if (MatchesIgnoringAsciiCase(value, lstrlenW(value), token)) {
                lstrcpyW(launcher.archToken, token);
                return;
            }
        }
    }
    lstrcpyW(launcher.archToken, L"X86");
}

int IsLanguageListed(const wchar_t *language)
{
    wchar_t value[TEXT_CAPACITY];
    return language[0] && ReadConfigString(SECTION_LANGUAGES, language, value, TEXT_CAPACITY) != 0;
}

void ReadUserLanguage(wchar_t *name)
{
    if (os.GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, name, TEXT_CAPACITY) == 0)
        name[0] = 0;
    name[TEXT_CAPACITY - 1] = 0;
}

void ChooseLanguage(const wchar_t *userLanguage)
{
    CopyText(launcher.language, TEXT_CAPACITY, userLanguage);
    if (IsLanguageListed(launcher.language))
        return;

    wchar_t *p = launcher.language;
    while (*p && iswalpha(*p))
        p = CharNextW(p);
    *p = 0;
    if (IsLanguageListed(launcher.language))
        return;

    ReadConfigString(launcher.activeSection, KEY_DEFAULT_LANG, launcher.language, TEXT_CAPACITY);
}

// Reads Title of the active section's texts in `language` into `caption`.
static void ReadCaption()
{
    wchar_t section[TEXT_CAPACITY];
    if (JoinText3(section, TEXT_CAPACITY, launcher.activeSection, TEXTS_SECTION_INFIX,
                  launcher.language))
        ReadConfigString(section, KEY_TITLE, launcher.caption, TEXT_CAPACITY);
}

void ForgetDiscLoad()
{
    ResetCommandTable();
    if (launcher.background)
        DeleteObject(launcher.background);
    if (launcher.labelFont)
        DeleteObject(launcher.labelFont);
    static_cast<DiscLoad &>(launcher) = DiscLoad{};
}

void StartDiscLoad(const wchar_t *section, const wchar_t *userLanguage)
{
    ForgetDiscLoad();
    if (section != launcher.activeSection)
        CopyText(launcher.activeSection, TEXT_CAPACITY, section);
    DetectProcessorToken();
    ChooseLanguage(userLanguage);
    lstrcpyW(launcher.sectionPrefix, launcher.activeSection);
    ReadCaption();
}
