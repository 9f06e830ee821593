// The platform services the main window owns; the program uses its platform's, tests their fakes.
#pragma once

#include <memory>

#include "platform/DdeClientConv.h"
#include "platform/HeadingPublisher.h"
#include "platform/PortIO.h"
#include "platform/WindowMessages.h"

struct TPlatformServices {
    std::unique_ptr<IPortIO> PortIO;
    std::unique_ptr<IWindowMessages> WindowMessages;
    std::unique_ptr<IDdeClientConv> DdeClientConv;
    // Optional: without it the heading read back is shown but not published.
    std::unique_ptr<IHeadingPublisher> HeadingPublisher;
};

TPlatformServices CreatePlatformServices();
