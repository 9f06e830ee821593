// Printer-port rotators PourSat and FODTrack.
#pragma once

void GoPourSat();
void GoFodTrack();
void WaitMs(unsigned milliseconds);
