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

static void WriteTo(DWORD which, const std::wstring &text)
{
    HANDLE handle = GetStdHandle(which);
    if (!handle || handle == INVALID_HANDLE_VALUE || text.empty())
        return;
    DWORD mode, written;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], bytes,
                        nullptr, nullptr);
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void WriteOut(const std::wstring &text)
{
    WriteTo(STD_OUTPUT_HANDLE, text);
}

void WriteError(const std::wstring &text)
{
    WriteTo(STD_ERROR_HANDLE, text);
}
