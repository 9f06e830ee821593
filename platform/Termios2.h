// The kernel's termios2, which carries a free bit rate: glibc's <termios.h> does not declare it
// and the kernel header that does clashes with glibc's struct termios.
#pragma once

#include <sys/ioctl.h>
#include <termios.h>

struct KernelTermios2 {
    tcflag_t c_iflag;
    tcflag_t c_oflag;
    tcflag_t c_cflag;
    tcflag_t c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed;
    speed_t c_ospeed;
};
constexpr unsigned long GetTermios2 = _IOR('T', 0x2A, KernelTermios2);
constexpr unsigned long SetTermios2 = _IOW('T', 0x2B, KernelTermios2);
constexpr tcflag_t BaudOther = 0010000;  // BOTHER: the rate is in c_ispeed / c_ospeed
constexpr int InputBaudShift = 16;       // IBSHIFT: where the separate input rate would sit
