#include "product_probe.h"

int IsApplicationInstalled(const wchar_t *, wchar_t *, int)
{
    return 0;
}
