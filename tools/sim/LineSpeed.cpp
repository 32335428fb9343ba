#include "LineSpeed.h"

// The kernel's termios2 carries the speed as a number; glibc's termios.h
// cannot be included beside these headers, so this unit stands alone.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

int lineBaud(int fd)
{
    struct termios2 t {};
    if (fd < 0 || ::ioctl(fd, TCGETS2, &t) != 0)
        return 0;
    return int(t.c_ospeed);
}
