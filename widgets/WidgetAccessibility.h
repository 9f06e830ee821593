// The accessible interfaces of the program's own widgets, for screen readers.
#pragma once

// Makes the readout, the spin button, the heading line and the compass known to Qt's accessibility; once, after the application exists.
void InstallWidgetAccessibility();
