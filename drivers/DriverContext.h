// What the rotator drivers reach outside themselves: the ports, the desktop and the main window.
#pragma once

#include <functional>
#include <string>

class IPortIO;
class IWindowMessages;
class TCommPortDriver;
class THeadingPoll;

struct TDriverContext {
    IPortIO* PortIO = nullptr;
    IWindowMessages* WindowMessages = nullptr;
    TCommPortDriver* CommPortDriverGS = nullptr;
    TCommPortDriver* CommPortDriverEasy = nullptr;
    // The heading read back, which may call for a held-back target to go again.
    THeadingPoll* HeadingPoll = nullptr;
    // Writes the hidden label LabelEtatInterface of the main window.
    std::function<void(const std::string&)> SetLabelEtatInterface;
    // Shows MsgArswinNotRunning in a modal warning box titled "Avertissement".
    std::function<void()> ShowArswinNotRunning;
};

// Set up by the main window at creation; tests set it up with their own services.
extern TDriverContext DriverContext;
