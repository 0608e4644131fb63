// The table of the buttons of the language now loaded: what each slot runs,
// shows and plays, where it stands and when the keys reach it.
#include "button_table.h"
#include "entries.h"
#include "first_paint.h"
#include "language_checks.h"
#include "scale_checks.h"

#include "commands/commands.h"
#include "config/command_table.h"
#include "config/config_names.h"
#include "config/config_values.h"
#include "config/image_scale.h"
#include "config/language.h"
#include "startup/prerequisite.h"
#include "state/launcher_state.h"
#include "state/working_copy.h"
#include "window/window.h"

#include <mmsystem.h>

static std::wstring Pad(const std::wstring &text, size_t width)
{
    return text.size() >= width ? text + L" " : text + std::wstring(width - text.size(), L' ');
}

static std::wstring Parameters(const wchar_t *arguments)
{
    return arguments[0] ? L" with parameters " + Quote(arguments) : std::wstring();
}

std::wstring WhatItRuns(const CommandPlan &plan)
{
    if (plan.closes)
        return L"closes the launcher";
    if (plan.verb) {
        std::wstring target = plan.fits ? Quote(plan.file) : L"nothing (path too long)";
        return std::wstring(plan.verb) + L"s " + target + Parameters(plan.parameters);
    }
    if (plan.productCodeFromRegistry)
        return L"runs [" + std::wstring(plan.file) + L" " + plan.parameters +
               L"PRODUCT-CODE], the product code read from the registry, and waits for it";
    if (!plan.fits)
        return L"nothing (command line too long)";
    return L"runs the command line [" + std::wstring(plan.commandLine) + L"] and waits for it";
}

static std::wstring LabelLines(const wchar_t *label)
{
    int marker = FindLabelBreak(label, lstrlenW(label));
    if (marker < 0)
        return Quote(label);
    return Quote(std::wstring(label, marker)) + L" / " + Quote(label + marker + 2);
}

static std::wstring ImageText(const wchar_t *name, HBITMAP image)
{
    if (!name[0])
        return L"(none)";
    if (!image)
        return std::wstring(name) + L" (not loaded)";
    BITMAP size = {};
    GetObjectW(image, sizeof size, &size);
    std::wstring variants = VariantList(FindOnDisc(name).path);
    return std::wstring(name) + L" (" + Number(size.bmWidth) + L" x " + Number(size.bmHeight) +
           (variants.empty() ? L"" : L"; for other scales" + variants) + L")";
}

static std::wstring SoundText(const CommandSlot &slot)
{
    if (slot.soundFlags & SND_MEMORY)
        return L"the built-in click";
    if (slot.soundFlags)
        return Quote(slot.soundPath) +
               (DescribeFile(slot.soundPath).IsFile() ? L"" : L" (not on the disc)");
    return L"none";
}

static std::wstring RectOf(const RECT &rect)
{
    return IsRectEmpty(&rect) ? L"-" : RectText(rect);
}

// The media-runtime requirement and what Yes to its question starts.
static std::wstring RuntimeLine()
{
    wchar_t required[VERSION_CAPACITY], commandLine[TEXT_CAPACITY];
    if (!ReadConfigString(launcher.activeSection, KEY_DIRECTX_MEDIA, required, VERSION_CAPACITY))
        return std::wstring();
    std::wstring line = L"  media runtime: QUARTZ.DLL's product version at least " +
                        Quote(required) + L" (compared as text); on Yes the launcher runs ";
    if (BuildRuntimeCommandLine(commandLine))
        line += L"[" + std::wstring(commandLine) + L"]";
    else
        line += L"nothing (command line too long)";
    return line + L" and ends\n";
}

static std::wstring Heading(const Checker &checker)
{
    std::wstring heading = L"Language " + Quote(launcher.language) + L":";
    wchar_t defaultLanguage[TEXT_CAPACITY];
    ReadConfigString(launcher.activeSection, KEY_DEFAULT_LANG, defaultLanguage, TEXT_CAPACITY);
    if (IsLanguageListed(launcher.language))
        heading += L" listed in [Languages];";
    else if (!checker.userLanguage.empty())
        heading += L" chosen for users of " + Quote(checker.userLanguage) + L";";
    if (defaultLanguage[0] && SameName(defaultLanguage, launcher.language))
        heading += L" DefaultLang, for users of unlisted languages;";
    heading += L" section " + std::wstring(launcher.activeSection) + L"; caption " +
               Quote(launcher.caption) + L"\n";
    std::wstring background =
        launcher.defaultBackground ? L"the built-in background" : L"the configured background";
    heading += L"  client area " + Number(checker.client.cx) + L" x " + Number(checker.client.cy) +
               L", " + background + L", labels in the " +
               (launcher.useSmallFont ? L"small font" : L"system font") + L"\n";
    heading += L"  window with its frame";
    for (int i = -1; i < SCALE_VARIANT_COUNT && (i < 0 || SCALE_VARIANTS[i].dpi <= DPI_200); i++) {
        int dpi = i < 0 ? BASE_DPI : SCALE_VARIANTS[i].dpi;
        SIZE outer = OuterSizeAt(dpi);
        heading += Fill(L"%1 %2 x %3 at %4 %", {i < 0 ? L":" : L",", Number(outer.cx),
                                                Number(outer.cy), Number(PercentOfDpi(dpi))});
    }
    heading += L"; on a display with less room at its scale the launcher takes the largest "
               L"scale that fits\n";
    wchar_t copyName[TEXT_CAPACITY];
    heading += L"  disc label " + Quote(launcher.volumeLabel) + L": " +
               (BuildWorkingCopyName(launcher.volumeLabel, copyName)
                    ? L"working copy " + std::wstring(copyName) + L" in the Windows directory"
                    : std::wstring(L"no working copy (its name does not fit)"));
    if (IsKindShown(CMD_INSTALL)) {
        wchar_t prompt[PROMPT_CAPACITY];
        ReadInsertPrompt(prompt);
        heading += L"; the prompt for a missing installer reads " + Quote(prompt);
    }
    heading += L"\n";
    return heading + RuntimeLine() + FirstPaintCost(checker);
}

void AppendButtonTable(Checker *checker)
{
    std::wstring table = Heading(*checker);
    int shown = CountShownSlots();
    if (!shown) {
        checker->tables += table + L"  no buttons are shown\n\n";
        return;
    }
    table += L"  " + Pad(L"key", 7) + Pad(L"kind", 13) + Pad(L"keys", 6) +
             Pad(L"label (x,y)-(r,b)", 24) + L"button (x,y)-(r,b)\n";
    std::vector<int> keyPlaces = KeyPlaces();
    for (int i = 0; i < SLOT_COUNT; i++) {
        const CommandSlot &slot = CommandTable[i];
        if (!slot.defined)
            continue;
        std::wstring order = keyPlaces[i] ? Number(keyPlaces[i]) : L"-";
        table += L"  " + Pad(slot.key, 7) + Pad(COMMAND_KEYWORDS[slot.kind], 13) + Pad(order, 6) +
                 Pad(RectOf(slot.labelRect), 24) + RectOf(slot.buttonRect) + L"\n";
        std::wstring indent(9, L' ');
        CommandPlan plan;
        DescribeCommand(i, &plan);
        table += indent + L"does    " + WhatItRuns(plan) + L"\n";
        table += indent + L"label   " + LabelLines(slot.label) + L"\n";
        wchar_t spoken[TEXT_CAPACITY];
        MakeSpokenLabel(slot.label, spoken);
        table += indent + L"spoken  " +
                 (spoken[0] ? Quote(spoken) : L"nothing: a button without a name") + L"\n";
        table += indent + L"images  normal " + ImageText(slot.normalImagePath, slot.normalImage) +
                 L", hot " + ImageText(slot.hotImagePath, slot.hotImage);
        if (slot.normalTransparent)
            table += L", colour key " + ColorText(slot.normalTransparent);
        table += L"\n" + indent + L"sound   " + SoundText(slot) + L"\n";
    }
    checker->tables += table + L"\n";
}
