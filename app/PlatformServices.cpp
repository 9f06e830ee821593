// The Linux platform services of the program.
#include "app/PlatformServices.h"

TPlatformServices CreateLinuxPlatformServices()
{
    TPlatformServices services;
    services.PortIO = CreatePortIO();
    services.WindowMessages = CreateWindowMessages();
    services.DdeClientConv = CreateDdeClientConv();
    services.HeadingPublisher = CreateHeadingPublisher();
    return services;
}
