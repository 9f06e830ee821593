// The Linux platform services of the program.
#include "app/PlatformServices.h"

TPlatformServices CreateLinuxPlatformServices()
{
    TPlatformServices services;
    services.PortIO = CreateLinuxPortIO();
    services.WindowMessages = CreateLinuxWindowMessages();
    services.DdeClientConv = CreateLinuxDdeClientConv();
    services.HeadingPublisher = CreateDBusHeadingPublisher();
    return services;
}
