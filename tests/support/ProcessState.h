// Puts the program's process-wide state back to what a fresh start has.
#pragma once

// Settings, printer-port addresses, pointing flags, message texts and the driver context.
void ResetProcessState();
