// Stands in for the author's checker in the tests of make-disc.sh: prints the
// arguments it was given, writes a plain reading order and autorun.inf where
// they are asked for, and ends with the exit code in STAND_IN_EXIT.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

int wmain(int argc, wchar_t **argv)
{
    printf("stand-in check:");
    for (int i = 1; i < argc; i++) {
        printf(" [%ls]", argv[i]);
        FILE *file = nullptr;
        if (i + 1 < argc && !wcscmp(argv[i], L"--reading-order") &&
            (file = _wfopen(argv[i + 1], L"wb")))
            fputs("AUTORUN.EXE\n", file);
        if (i + 1 < argc && !wcscmp(argv[i], L"--autorun-inf") &&
            (file = _wfopen(argv[i + 1], L"wb")))
            fputs("[autorun]\r\nopen=AUTORUN.EXE\r\n", file);
        if (file)
            fclose(file);
    }
    printf("\n");
    wchar_t code[16] = L"";
    GetEnvironmentVariableW(L"STAND_IN_EXIT", code, 16);
    return _wtoi(code);
}
