// Pictures for display scales: the variants an author put beside an image,
// measured against the plain file, as the launcher chooses among them.
#include "scale_checks.h"
#include "entries.h"

#include "config/bitmap_file.h"
#include "config/image_scale.h"

static SIZE MeasureBitmapFile(const std::wstring &path, HWND window)
{
    SIZE size = {};
    HBITMAP bitmap = LoadBitmapFile(path.c_str(), window);
    BITMAP info = {};
    if (bitmap && GetObjectW(bitmap, sizeof info, &info))
        size = {info.bmWidth, info.bmHeight};
    if (bitmap)
        DeleteObject(bitmap);
    return size;
}

std::wstring PercentText(int dpi)
{
    return Number(PercentOfDpi(dpi)) + L" %";
}

std::wstring VariantList(const std::wstring &path)
{
    std::wstring list;
    int found = FindScaleVariants(path.c_str());
    for (int i = 0; i < SCALE_VARIANT_COUNT; i++) {
        if (found & (1 << i))
            list += std::wstring(L" ") + SCALE_VARIANTS[i].suffix;
    }
    return list;
}

void CheckScaleVariants(Checker *checker, int line, const std::wstring &what,
                        const std::wstring &name, const DiscFile &file)
{
    if (!file.IsFile())
        return;
    SIZE plain = MeasureBitmapFile(file.path, checker->window);
    if (!plain.cx)
        return;
    int found = FindScaleVariants(file.path.c_str());
    int served = 0;
    for (int i = 0; i < SCALE_VARIANT_COUNT; i++) {
        if (!(found & (1 << i)))
            continue;
        const int dpi = SCALE_VARIANTS[i].dpi;
        served |= dpi >= DPI_200;
        wchar_t variantName[MAX_PATH], variantPath[MAX_PATH];
        if (!MakeVariantPath(name.c_str(), i, variantName) ||
            !MakeVariantPath(file.path.c_str(), i, variantPath))
            continue;
        SIZE size = MeasureBitmapFile(variantPath, checker->window);
        SIZE expected = {ScaleToDpi(plain.cx, dpi), ScaleToDpi(plain.cy, dpi)};
        if (!size.cx)
            Say(checker, line, LEVEL_WARNING,
                L"%1: the variant %2 for %3 cannot be loaded; the launcher resamples %4 there",
                {what, Quote(variantName), PercentText(dpi), Quote(name)});
        else if (std::abs(size.cx - expected.cx) > 1 || std::abs(size.cy - expected.cy) > 1)
            Say(checker, line, LEVEL_WARNING,
                L"%1: the variant %2 is %3 x %4 pixels, but %5 at %6 is %7 x %8 (%9 times the "
                L"scale)",
                {what, Quote(variantName), Number(size.cx), Number(size.cy), Quote(name),
                 PercentText(dpi), Number(expected.cx), Number(expected.cy),
                 Number(plain.cx) + L" x " + Number(plain.cy)});
    }
    wchar_t twice[MAX_PATH];
    if (!served && checker->scaleNoted.insert(FoldName(file.path)).second &&
        MakeVariantPath(name.c_str(), ChooseScaleVariant(ALL_SCALE_VARIANTS, DPI_200), twice))
        Say(checker, line, LEVEL_NOTE,
            L"%1: %2 has no variant at or above 200 % (such as %3): stretched on a 200 % display",
            {what, Quote(name), Quote(twice)});
}
