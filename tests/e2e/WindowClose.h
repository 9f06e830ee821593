// The close box of a window manager, for tests that run on a bare X server.
#pragma once

// Asks the window's program to close it (WM_DELETE_WINDOW); returns whether the request went out.
bool RequestWindowClose(unsigned long window);
