// Bounded text building that every unit shares: copies and joins into fixed
// buffers that are never written past.
#pragma once

#include <windows.h>

// Copies `text` into `dest` (capacity in characters), cutting it to fit.
void CopyText(wchar_t *dest, int capacity, const wchar_t *text);

// dest = first + second. Returns 1 when it fits; otherwise dest becomes empty and
// the result is 0, so a path that would be cut is never used.
int JoinText(wchar_t *dest, int capacity, const wchar_t *first, const wchar_t *second);

// dest = `launcher.sourceRoot` + `path`, in TEXT_CAPACITY characters, refused
// like JoinText: a path cut to fit would name another file.
int JoinSourcePath(wchar_t *dest, const wchar_t *path);

// dest = a + b + c, refused like JoinText.
int JoinText3(wchar_t *dest, int capacity, const wchar_t *a, const wchar_t *b, const wchar_t *c);

// Fills a configuration text that takes one text argument: the first "%s" is
// replaced by `argument`, every other character, '%' included, is copied as it
// stands, so no argument is ever read that was not given. Returns 1 when the
// result fits; otherwise dest is empty and the result is 0.
int FormatWithText(wchar_t *dest, int capacity, const wchar_t *format, const wchar_t *argument);
