#include "platform/serial.h"

#include <cerrno>
#include <chrono>
#include <cctype>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace zevahv::platform {

// In serial_custom_baud.cpp: the kernel's termios2 interface cannot share a
// translation unit with <termios.h>.
bool serial_set_custom_baud(int fd, int baud);

namespace {

speed_t standard_speed(int baud) {
    switch (baud) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 500000: return B500000;
    case 576000: return B576000;
    case 921600: return B921600;
    case 1000000: return B1000000;
    default: return 0;
    }
}

using steady = std::chrono::steady_clock;

int ms_left(steady::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

std::string serial_device_path(const std::string &name) {
    if (name.empty()) return {};
    if (name[0] == '/') return name;
    return "/dev/" + name;
}

int serial_port_number(const std::string &name) {
    std::size_t i = 0;
    while (i < name.size() && !std::isdigit(static_cast<unsigned char>(name[i]))) ++i;
    if (i == name.size()) return -1;
    long n = 0;
    while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i]))) {
        n = n * 10 + (name[i] - '0');
        if (n > 1000000) break;
        ++i;
    }
    return static_cast<int>(n);
}

bool serial_make_termios(termios &tio, const SerialSettings &s, bool *custom_baud) {
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | PARMRK | IGNPAR);
    tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS | HUPCL);
#ifdef CMSPAR
    tio.c_cflag &= ~CMSPAR;
#endif
    tio.c_cflag |= CLOCAL | CREAD;
    switch (s.data_bits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    case 8: tio.c_cflag |= CS8; break;
    default: errno = EINVAL; return false;
    }
    if (s.stop_bits != StopBits::One) tio.c_cflag |= CSTOPB;
    switch (s.parity) {
    case Parity::None: break;
    case Parity::Odd: tio.c_cflag |= PARENB | PARODD; break;
    case Parity::Even: tio.c_cflag |= PARENB; break;
#ifdef CMSPAR
    case Parity::Mark: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case Parity::Space: tio.c_cflag |= PARENB | CMSPAR; break;
#else
    case Parity::Mark:
    case Parity::Space: errno = EINVAL; return false;
#endif
    }
    if (s.parity != Parity::None) tio.c_iflag |= INPCK;
    // Reads are driven by poll(); a read never blocks.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (s.baud <= 0) {
        errno = EINVAL;
        return false;
    }
    const speed_t sp = standard_speed(s.baud);
    if (sp != 0) {
        ::cfsetispeed(&tio, sp);
        ::cfsetospeed(&tio, sp);
    }
    *custom_baud = sp == 0;
    return true;
}

bool serial_configure(int fd, const SerialSettings &s) {
    termios tio{};
    if (::tcgetattr(fd, &tio) < 0) return false;
    bool custom = false;
    if (!serial_make_termios(tio, s, &custom)) return false;
    if (::tcsetattr(fd, TCSANOW, &tio) < 0) return false;
    if (custom && !serial_set_custom_baud(fd, s.baud)) return false;
    // Drop DTR and RTS like the device expects; a pseudo-terminal has no
    // modem lines, so a refusal is not an error.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIC, &lines);
    return true;
}

int serial_open(const std::string &name, const SerialSettings &settings) {
    const std::string path = serial_device_path(name);
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    // Non-blocking so the open does not wait for a carrier; reads and writes
    // wait through poll().
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (!::isatty(fd)) {
        ::close(fd);
        errno = ENOTTY;
        return -1;
    }
    // Nobody else may open the port while we hold it.
    ::ioctl(fd, TIOCEXCL);
    if (!serial_configure(fd, settings)) {
        int e = errno;
        ::close(fd);
        errno = e;
        return -1;
    }
    ::tcflush(fd, TCIOFLUSH);
    return fd;
}

long serial_read(int fd, void *buf, std::size_t len, int timeout_ms) {
    if (len == 0) return 0;
    const auto deadline = steady::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
    for (;;) {
        ssize_t n = ::read(fd, buf, len);
        if (n > 0) return static_cast<long>(n);
        if (n == 0) {
            // A pseudo-terminal whose other side is gone reads 0 at once
            // instead of blocking: treat a hang-up as an error.
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP)) {
                errno = EIO;
                return -1;
            }
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return -1;
        }
        int wait = ms_left(deadline);
        if (wait == 0) return 0;
        pollfd p{fd, POLLIN, 0};
        int r = ::poll(&p, 1, wait);
        if (r < 0 && errno != EINTR) return -1;
        if (r > 0 && (p.revents & (POLLERR | POLLNVAL))) {
            errno = EIO;
            return -1;
        }
        if (r > 0 && !(p.revents & POLLIN) && (p.revents & POLLHUP)) {
            errno = EIO;
            return -1;
        }
    }
}

long serial_write(int fd, const void *data, std::size_t len, int timeout_ms) {
    const char *p = static_cast<const char *>(data);
    std::size_t done = 0;
    const auto deadline = steady::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
    while (done < len) {
        ssize_t n = ::write(fd, p + done, len - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return done == 0 ? -1 : static_cast<long>(done);
        int wait = ms_left(deadline);
        if (wait == 0) break;
        pollfd pf{fd, POLLOUT, 0};
        int r = ::poll(&pf, 1, wait);
        if (r < 0 && errno != EINTR) return done == 0 ? -1 : static_cast<long>(done);
        if (r > 0 && (pf.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(pf.revents & POLLOUT)) {
            errno = EIO;
            return done == 0 ? -1 : static_cast<long>(done);
        }
    }
    return static_cast<long>(done);
}

void serial_flush(int fd) { ::tcflush(fd, TCIOFLUSH); }

void serial_close(int fd) {
    if (fd >= 0) {
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
    }
}

}  // namespace zevahv::platform
