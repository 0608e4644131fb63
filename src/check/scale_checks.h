// Pictures for display scales: the variants an author put beside an image.
#pragma once

#include "entries.h"

#include <string>

// `dpi` as a display scale: "150 %".
std::wstring PercentText(int dpi);

// The scale variants beside the image `file`, named `name` by `what`: a
// warning for one whose size is not the plain file's times its scale, a note
// (once per image) when none serves a 200 % display.
void CheckScaleVariants(Checker *checker, int line, const std::wstring &what,
                        const std::wstring &name, const DiscFile &file);

// The variants beside the file `path`, as " @1.5x @2x"; empty when there are none.
std::wstring VariantList(const std::wstring &path);
