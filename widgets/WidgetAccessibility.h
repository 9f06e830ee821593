// The accessible interfaces of the program's own widgets, for screen readers.
#pragma once

// Makes the readout and the spin button known to Qt's accessibility; once, after the application exists.
void InstallWidgetAccessibility();
