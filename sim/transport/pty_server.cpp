#include "transport/pty_server.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "transport/stream.h"

namespace sim {

int pty_open(std::string& path, std::string& error) {
    int m = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m < 0 || grantpt(m) != 0 || unlockpt(m) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        if (m >= 0) close(m);
        return -1;
    }
    char name[128];
    if (ptsname_r(m, name, sizeof name) != 0) {
        error = "ptsname failed";
        close(m);
        return -1;
    }
    // The simulator keeps one slave descriptor of its own: the line stays up
    // between clients (a master whose slaves are all closed reads EIO), and
    // it sets raw mode before anyone opens the path.
    int s = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (s < 0) {
        error = std::string("cannot open ") + name + ": " + std::strerror(errno);
        close(m);
        return -1;
    }
    termios t{};
    if (tcgetattr(s, &t) == 0) {
        cfmakeraw(&t);
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        tcsetattr(s, TCSANOW, &t);
    }
    (void)s; // held open for the life of the process
    path = name;
    return m;
}

void pty_serve(int master_fd, Simulator& sim) {
    std::thread([master_fd, &sim] {
        serve_stream(master_fd, sim, false);
    }).detach();
}

} // namespace sim
