#include "report.h"

#include <windows.h>

#include <algorithm>

void Say(Report *report, int line, Severity severity, const std::wstring &text)
{
    if (!report->said.insert(Number(line) + L":" + Number(severity) + L":" + text).second)
        return;
    report->diagnostics.push_back(Diagnostic{line, severity, text});
}

int Summarize(const Report &report, std::wstring *text)
{
    std::vector<Diagnostic> sorted = report.diagnostics;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Diagnostic &a, const Diagnostic &b) { return a.line < b.line; });
    static const wchar_t *const names[] = {L"note", L"warning", L"error"};
    int count[3] = {};
    for (const Diagnostic &d : sorted) {
        *text += report.fileName + L":";
        if (d.line > 0)
            *text += Number(d.line) + L":";
        *text += L" " + std::wstring(names[d.severity]) + L": " + d.text + L"\n";
        count[d.severity]++;
    }
    if (sorted.empty())
        *text += L"AUTORUN-CHECK: nothing found\n";
    else
        *text += Fill(
            L"AUTORUN-CHECK: %1 error(s), %2 warning(s), %3 note(s)\n",
            {Number(count[LEVEL_ERROR]), Number(count[LEVEL_WARNING]), Number(count[LEVEL_NOTE])});
    return count[LEVEL_ERROR] ? 2 : count[LEVEL_WARNING] ? 1 : 0;
}

std::wstring Fill(const wchar_t *text, std::initializer_list<std::wstring> arguments)
{
    std::wstring filled;
    for (; *text; text++) {
        size_t n = text[0] == L'%' && text[1] >= L'1' && text[1] <= L'9' ? text[1] - L'1' : 9;
        if (n < arguments.size()) {
            filled += arguments.begin()[n];
            text++;
        } else {
            filled += *text;
        }
    }
    return filled;
}

std::wstring Quote(const std::wstring &text)
{
    return L"\"" + text + L"\"";
}

std::wstring Number(long long value)
{
    return std::to_wstring(value);
}

std::wstring RectText(const RECT &rect)
{
    return Fill(L"(%1,%2)-(%3,%4)",
                {Number(rect.left), Number(rect.top), Number(rect.right), Number(rect.bottom)});
}

size_t MeasurePiece(const std::wstring &text, size_t start)
{
    size_t count = std::min<size_t>(text.size() - start, WRITE_PIECE);
    // A surrogate pair is never divided between two writes.
    if (count > 1 && start + count < text.size() && IS_HIGH_SURROGATE(text[start + count - 1]))
        count--;
    return count;
}

static bool WritePiece(HANDLE handle, bool console, const wchar_t *text, size_t count)
{
    DWORD written = 0;
    if (console)
        return WriteConsoleW(handle, text, static_cast<DWORD>(count), &written, nullptr) &&
               written == count;
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(count), nullptr, 0,
                                    nullptr, nullptr);
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(count), &utf8[0], bytes, nullptr,
                        nullptr);
    for (size_t done = 0; done < utf8.size(); done += written) {
        if (!WriteFile(handle, utf8.data() + done, static_cast<DWORD>(utf8.size() - done),
                       &written, nullptr) ||
            written == 0)
            return false;
    }
    return true;
}

static int WriteTo(DWORD which, const std::wstring &text)
{
    HANDLE handle = GetStdHandle(which);
    if (text.empty())
        return 1;
    if (!handle || handle == INVALID_HANDLE_VALUE)
        return 0;
    DWORD mode;
    bool console = GetConsoleMode(handle, &mode);
    for (size_t start = 0, count; start < text.size(); start += count) {
        count = MeasurePiece(text, start);
        if (!WritePiece(handle, console, text.data() + start, count))
            return 0;
    }
    return 1;
}

int WriteOut(const std::wstring &text)
{
    return WriteTo(STD_OUTPUT_HANDLE, text);
}

int WriteError(const std::wstring &text)
{
    return WriteTo(STD_ERROR_HANDLE, text);
}
