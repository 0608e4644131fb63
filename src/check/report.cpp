#include "report.h"

#include <windows.h>

#include <algorithm>

void Say(Report *report, int line, Severity severity, const std::wstring &text)
{
    if (!report->said.insert(Number(line) + L":" + Number(severity) + L":" + text).second)
        return;
    report->diagnostics.push_back(Diagnostic{line, severity, text});
}

std::wstring FormatDiagnostics(const Report &report)
{
    std::vector<Diagnostic> sorted = report.diagnostics;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Diagnostic &a, const Diagnostic &b) { return a.line < b.line; });
    static const wchar_t *const names[] = {L"note", L"warning", L"error"};
    std::wstring text;
    for (const Diagnostic &d : sorted) {
        text += report.fileName + L":";
        if (d.line > 0)
            text += Number(d.line) + L":";
        text += L" " + std::wstring(names[d.severity]) + L": " + d.text + L"\n";
    }
    return text;
}

int ExitCodeOf(const Report &report)
{
    int code = 0;
    for (const Diagnostic &d : report.diagnostics) {
        if (d.severity == LEVEL_ERROR)
            return 2;
        if (d.severity == LEVEL_WARNING)
            code = 1;
    }
    return code;
}

std::wstring Quote(const std::wstring &text)
{
    return L"\"" + text + L"\"";
}

std::wstring Number(long long value)
{
    return std::to_wstring(value);
}

std::wstring RectText(long left, long top, long right, long bottom)
{
    return L"(" + Number(left) + L"," + Number(top) + L")-(" + Number(right) + L"," +
           Number(bottom) + L")";
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
