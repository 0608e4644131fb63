// The names the configuration is read by: its sections, the keys in them and
// the parts of the slot sections' names. The launcher reads by these names and
// the checker looks for them.
#pragma once

// The active section: Setup, or Run once the product is installed.
inline constexpr wchar_t SECTION_SETUP[] = L"Setup";
inline constexpr wchar_t SECTION_RUN[] = L"Run";
// Each language of the disc is a key here with a non-empty value.
inline constexpr wchar_t SECTION_LANGUAGES[] = L"Languages";

// The settings of the active section.
inline constexpr wchar_t KEY_APP_REG_KEY[] = L"AppRegKey";
inline constexpr wchar_t KEY_NO_RUN_APP_CLASS[] = L"NoRunAppClass";
inline constexpr wchar_t KEY_DEFAULT_LANG[] = L"DefaultLang";
inline constexpr wchar_t KEY_DIRECTX_MEDIA[] = L"DirectXMedia";
inline constexpr wchar_t KEY_ICON[] = L"Icon";
inline constexpr wchar_t KEY_USE_SMALL_FONT[] = L"UseSmallFont";
inline constexpr wchar_t KEY_BITMAP[] = L"Bitmap";
inline constexpr wchar_t KEY_BKG_COLOR[] = L"BkgColor";
inline constexpr wchar_t KEY_HI_COLOR[] = L"HiColor";
inline constexpr wchar_t KEY_LO_COLOR[] = L"LoColor";

// The texts of a language, beside its labels ([SetupStr_English]).
inline constexpr wchar_t KEY_TITLE[] = L"Title";
inline constexpr wchar_t KEY_INSERT[] = L"Insert";
// The media runtime's question and installer, in the language's own section ([English]).
inline constexpr wchar_t KEY_NODXMEDIA[] = L"Nodxmedia";
inline constexpr wchar_t KEY_DXMEDIA[] = L"Dxmedia";

// The slot sections are named [Setup_CommandDefines], [SetupStr_English] and
// [SetupBtn_English]; a slot's sound is cmd01_sound in the buttons' section.
inline constexpr wchar_t COMMANDS_SECTION_SUFFIX[] = L"_CommandDefines";
inline constexpr wchar_t TEXTS_SECTION_INFIX[] = L"Str_";
inline constexpr wchar_t BUTTONS_SECTION_INFIX[] = L"Btn_";
inline constexpr wchar_t SOUND_KEY_SUFFIX[] = L"_sound";

// The keys read in each kind of section besides the slots' own, each list ending in null.
inline constexpr const wchar_t *SETTING_KEYS[] = {
    KEY_APP_REG_KEY, KEY_NO_RUN_APP_CLASS, KEY_DEFAULT_LANG, KEY_DIRECTX_MEDIA,
    KEY_ICON,        KEY_USE_SMALL_FONT,   KEY_BITMAP,       KEY_BKG_COLOR,
    KEY_HI_COLOR,    KEY_LO_COLOR,         nullptr};
inline constexpr const wchar_t *TEXT_KEYS[] = {KEY_TITLE, KEY_INSERT, nullptr};
inline constexpr const wchar_t *RUNTIME_TEXT_KEYS[] = {KEY_NODXMEDIA, KEY_DXMEDIA, nullptr};
