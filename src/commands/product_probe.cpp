#include "product_probe.h"

#include "../config/config_names.h"
#include "../config/config_values.h"
#include "../state/launcher_state.h"

int IsApplicationInstalled(const wchar_t *, wchar_t *, int)
{
    return 0;
}

const wchar_t *ChooseStartSection()
{
    if (!ReadConfigString(SECTION_SETUP, KEY_APP_REG_KEY, launcher.appRegKeyValue, TEXT_CAPACITY))
        return SECTION_SETUP;
    wchar_t scratch[TEXT_CAPACITY];
    return IsApplicationInstalled(launcher.appRegKeyValue, scratch, TEXT_CAPACITY) == 1
               ? SECTION_RUN
               : SECTION_SETUP;
}
