// The ARSIF interface: azimuths posted to ARSWIN as a registered window message.
#pragma once

void GoArswin();
void StopArswin();
