// Stands in for the author's checker in the tests of make-disc.sh: prints the
// arguments it was given and ends with the exit code in STAND_IN_EXIT.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

int wmain(int argc, wchar_t **argv)
{
    printf("stand-in check:");
    for (int i = 1; i < argc; i++)
        printf(" [%ls]", argv[i]);
    printf("\n");
    wchar_t code[16] = L"";
    GetEnvironmentVariableW(L"STAND_IN_EXIT", code, 16);
    return _wtoi(code);
}
