// The EasyComm serial rotator controller.
#pragma once

void GoEasyComm();
void StopEasyComm();
