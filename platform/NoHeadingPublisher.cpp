// No heading offered to other programs: the platform has no publisher for it yet.
#include "platform/HeadingPublisher.h"

// The main window publishes nothing when there is no publisher.
std::unique_ptr<IHeadingPublisher> CreateHeadingPublisher()
{
    return nullptr;
}
