// The GS-232 serial rotator controller.
#pragma once

void GoGs232();
void StopGs232();
