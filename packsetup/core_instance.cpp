#include "packsetup/core_instance.h"

int RunCoreInstance(const CoreOptions&)
{
    return 0;
}
