// The platform services of the program, whichever platform it runs on.
#include "app/PlatformServices.h"

TPlatformServices CreatePlatformServices()
{
    TPlatformServices services;
    services.PortIO = CreatePortIO();
    services.WindowMessages = CreateWindowMessages();
    services.DdeClientConv = CreateDdeClientConv();
    services.HeadingPublisher = CreateHeadingPublisher();
    return services;
}
