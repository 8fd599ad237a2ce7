// Baud rates without a termios constant (14400, 128000, 256000 ...) are set
// through the kernel's termios2 interface with BOTHER.  Its header clashes
// with <termios.h>, hence this file of its own.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace zevahv::platform {

bool serial_set_custom_baud(int fd, int baud) {
    struct termios2 tio {};
    if (::ioctl(fd, TCGETS2, &tio) < 0) return false;
    tio.c_cflag &= ~CBAUD;
    tio.c_cflag |= BOTHER;
    tio.c_cflag &= ~(CIBAUD);
    tio.c_ispeed = static_cast<speed_t>(baud);
    tio.c_ospeed = static_cast<speed_t>(baud);
    return ::ioctl(fd, TCSETS2, &tio) == 0;
}

}  // namespace zevahv::platform
