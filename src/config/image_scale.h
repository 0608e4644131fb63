// Display scale: positions and sizes given at 96 DPI, taken to the window's
// DPI, and pictures for that DPI (the author's variant beside a bitmap, such
// as install@2x.bmp, else the picture resampled).
#pragma once

#include <windows.h>

// 100 % and 200 %.
enum {
    BASE_DPI = 96,
    DPI_200 = 2 * BASE_DPI,
    SCALE_VARIANT_COUNT = 6,
    ALL_SCALE_VARIANTS = (1 << SCALE_VARIANT_COUNT) - 1, // every bit of a FindScaleVariants answer
};

struct ScaleVariant {
    int dpi;
    const wchar_t *suffix; // put before the extension: install@2x.bmp
};
extern const ScaleVariant SCALE_VARIANTS[SCALE_VARIANT_COUNT];

// `value` times `to` / `from`, rounded as MulDiv rounds and held to the range
// of int. A `to` or `from` of 0 or less leaves the value as it is.
int ScaleBetween(int value, int to, int from);

// `value`, in pixels at 96 DPI, at `dpi`; 0 counts as 96.
inline int ScaleToDpi(int value, int dpi)
{
    return ScaleBetween(value, dpi, BASE_DPI);
}

// A display scale in percent as a DPI, and a DPI as a percent.
inline int DpiOfPercent(int percent)
{
    return ScaleBetween(BASE_DPI, percent, 100);
}
inline int PercentOfDpi(int dpi)
{
    return ScaleBetween(dpi, 100, BASE_DPI);
}

// The DPI a window is laid out at on a display of `dpi`: `dpi` itself where
// the window fits the work area `work`, else the largest scale step below it
// (96 and the variants' DPIs) at which it fits; 96 when none does. At `dpi`
// the window is `scaled` (what grows with the scale) plus `fixed` (what the
// system draws around it at the display's own DPI).
int FitDpi(int dpi, SIZE scaled, SIZE fixed, SIZE work);

// Where a window of outer size `size` goes in the work area `work`: centred;
// where it is the larger, at the work area's left or top, so that its title
// bar stays on it.
POINT CenterInWorkArea(SIZE size, RECT work);

// The system's DPI, which the stock fonts and, before Windows 10, every window follow.
int ReadSystemDpi();

// The DPI of `window`'s monitor; the system's where the system cannot say.
int ReadWindowDpi(HWND window);

// `path` with variant `index`'s suffix before the extension of its file name
// (at its end when it has none), in MAX_PATH characters; 0 when it does not fit.
int MakeVariantPath(const wchar_t *path, int index, wchar_t *variant);

// The variants that lie beside the file `path`, one bit per SCALE_VARIANTS
// index, found in one read of its folder, which also says in *plainFound
// whether the file itself is there (between StartFolderLooks and
// EndFolderLooks, only where it has a variant).
int FindScaleVariants(const wchar_t *path, int *plainFound = nullptr);

// Between these two calls, FindScaleVariants looks at each folder once and
// keeps what it saw: for a load that reads many pictures, which does not
// change the folders it reads. The first also forgets an earlier look.
void StartFolderLooks();
void EndFolderLooks();

// The variant drawn at `dpi` among those of `found`: the smallest at or above
// it, else the largest. -1 for the plain file, which counts as 96 DPI.
int ChooseScaleVariant(int found, int dpi);

// The picture of the BMP file `path` for `dpi`, compatible with `window`:
// the chosen variant, drawn pixel for pixel at its own DPI, otherwise
// resampled once to its size at `dpi`. At 96 DPI only the plain file is read,
// and variants are looked for only beside a file that exists. When
// `colorKey` is not 0 and the picture was resampled, the key became
// transparency: *blended is 1 and the picture is drawn with DrawBlendedImage.
HBITMAP LoadBitmapForDpi(const wchar_t *path, HWND window, int dpi, COLORREF colorKey,
                         int *blended);

// `bitmap` (not selected into any device context) area-averaged to cx x cy,
// as a 32-bit bitmap with premultiplied alpha. With a colour key, pixels of
// that colour become transparent before averaging, so no trace of the key is
// left; *blended says whether any transparency resulted. Null on failure.
HBITMAP ResampleBitmap(HBITMAP bitmap, int cx, int cy, COLORREF colorKey, int *blended);

// `bitmap` made for `to` DPI from `from` DPI: deleted and replaced by its
// resampled copy, or given back as it is when the DPIs agree or resampling fails.
HBITMAP ScaleBitmapBetween(HBITMAP bitmap, int to, int from, COLORREF colorKey, int *blended);
