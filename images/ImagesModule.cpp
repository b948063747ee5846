// The second plug-in's four exports: the image translators beyond the first
// plug-in's, registered after them (the loader takes plug-ins in name order).

#include "MPNGTranslator.h"
#include "MSystemManager.h"
#include "MTGARLETranslator.h"

#include <cstdint>
#include <cstring>

#define PELLOW_IMAGES_EXPORT extern "C" __attribute__((visibility("default")))

namespace
{
const char kDescription[] = "Grey and run-length encoded Targa, and PNG image translators";
}

PELLOW_IMAGES_EXPORT int ModQueryVersion(uint32_t* version)
{
    const char tag[4] = {'Q', 'V', '0', '2'};
    std::memcpy(version, tag, sizeof tag);
    return 1;
}

PELLOW_IMAGES_EXPORT int ModQueryDesc(char* buffer)
{
    std::memcpy(buffer, kDescription, sizeof kDescription);
    return 1;
}

PELLOW_IMAGES_EXPORT int ModQueryCount()
{
    return 2;
}

PELLOW_IMAGES_EXPORT int ModRegister(MSystemManager* manager, int index)
{
    if (!manager)
        return 0;
    // Temporaries: the manager keeps objects of its own.
    MTGARLETranslator tga;
    MPNGTranslator png;
    switch (index)
    {
    case 0:
        return manager->RegisterImageTranslator(&tga);
    case 1:
        return manager->RegisterImageTranslator(&png);
    default:
        return 0;
    }
}
