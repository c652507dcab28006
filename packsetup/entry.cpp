#include "packsetup/entry.h"

int RunPackSetup(HINSTANCE)
{
    return 0;
}
