// Pictures of the client area, painted by the launcher's own code.
#pragma once

#include "checker.h"

#include <vector>

// Writes the previews of the language now loaded into the preview folder.
// 0 when a picture could not be written.
int WritePreviews(Checker *checker);

// The background of the client area alone, as the launcher paints it under
// the slots: 32-bit pixels, top-down rows; empty when it cannot be painted.
std::vector<DWORD> PaintBackgroundPixels(SIZE client);
