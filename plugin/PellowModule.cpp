// The plug-in's four exports: version tag, description, translator count and
// registration of each translator with the system manager.

#include "MJPGTranslator.h"
#include "MQ3AShaderTranslator.h"
#include "MSystemManager.h"
#include "MTGATranslator.h"

#include <cstdint>
#include <cstring>

#define PELLOW_EXPORT extern "C" __attribute__((visibility("default")))

namespace
{
const char kDescription[] = "This is the description for the Pellow dll file";
}

PELLOW_EXPORT int ModQueryVersion(uint32_t* version)
{
    const char tag[4] = {'Q', 'V', '0', '2'};
    std::memcpy(version, tag, sizeof tag);
    return 1;
}

PELLOW_EXPORT int ModQueryDesc(char* buffer)
{
    std::memcpy(buffer, kDescription, sizeof kDescription);
    return 1;
}

PELLOW_EXPORT int ModQueryCount()
{
    return 3;
}

PELLOW_EXPORT int ModRegister(MSystemManager* manager, int index)
{
    if (!manager)
        return 0;
    // Temporaries: the manager keeps objects of its own.
    MTGATranslator tga;
    MJPGTranslator jpg;
    MQ3AShaderTranslator shader;
    switch (index)
    {
    case 0:
        return manager->RegisterImageTranslator(&tga);
    case 1:
        return manager->RegisterImageTranslator(&jpg);
    case 2:
        return manager->RegisterMaterialTranslator(&shader);
    default:
        return 0;
    }
}
