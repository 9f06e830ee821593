// The platform services the main window owns; the program uses the Linux ones, tests their fakes.
#pragma once

#include <memory>

#include "platform/DdeClientConv.h"
#include "platform/PortIO.h"
#include "platform/WindowMessages.h"

struct TPlatformServices {
    std::unique_ptr<IPortIO> PortIO;
    std::unique_ptr<IWindowMessages> WindowMessages;
    std::unique_ptr<IDdeClientConv> DdeClientConv;
};

TPlatformServices CreateLinuxPlatformServices();
