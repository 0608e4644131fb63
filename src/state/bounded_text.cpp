#include "bounded_text.h"

#include "launcher_state.h"

void CopyText(wchar_t *dest, int capacity, const wchar_t *text)
{
    if (capacity <= 0)
        return;
    int i = 0;
    for (; text && text[i] && i < capacity - 1; i++)
        dest[i] = text[i];
    dest[i] = 0;
}

namespace {

// Appends to a bounded buffer and remembers whether anything had to be dropped.
struct TextBuilder {
    wchar_t *dest;
    int capacity;
    int length;
    bool fits;

    void Append(const wchar_t *text, int count)
    {
        for (int i = 0; text && i < count && text[i]; i++) {
            if (length >= capacity - 1) {
                fits = false;
                return;
            }
            dest[length++] = text[i];
        }
    }

    void Append(const wchar_t *text) { Append(text, 0x7FFFFFFF); }

    int Finish()
    {
        dest[fits ? length : 0] = 0;
        return fits ? 1 : 0;
    }
};

} // namespace

int JoinText3(wchar_t *dest, int capacity, const wchar_t *a, const wchar_t *b, const wchar_t *c)
{
    if (capacity <= 0)
        return 0;
    TextBuilder text = {dest, capacity, 0, true};
    text.Append(a);
    text.Append(b);
    text.Append(c);
    return text.Finish();
}

int JoinText(wchar_t *dest, int capacity, const wchar_t *first, const wchar_t *second)
{
    return JoinText3(dest, capacity, first, second, nullptr);
}

int JoinSourcePath(wchar_t *dest, const wchar_t *path)
{
    return JoinText(dest, TEXT_CAPACITY, launcher.sourceRoot, path);
}

int FormatWithText(wchar_t *dest, int capacity, const wchar_t *format, const wchar_t *argument)
{
    if (capacity <= 0)
        return 0;
    TextBuilder text = {dest, capacity, 0, true};
    const wchar_t *marker = format;
    while (*marker && !(marker[0] == L'%' && marker[1] == L's'))
        marker++;
    text.Append(format, static_cast<int>(marker - format));
    if (*marker) {
        text.Append(argument);
        text.Append(marker + 2);
    }
    return text.Finish();
}
