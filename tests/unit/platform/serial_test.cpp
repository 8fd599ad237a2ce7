// Serial ports on pseudo-terminals: the master side plays the device.
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/serial.h"

using namespace zevahv::platform;
using namespace std::chrono;

namespace {

struct Pty {
    int master = -1;
    std::string slave;
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = ptsname(master);
    }
    ~Pty() { close_master(); }
    void close_master() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    std::string read_master(std::size_t want, int timeout_ms) {
        std::string got;
        char buf[256];
        while (got.size() < want) {
            long n = serial_read(master, buf, sizeof buf, timeout_ms);
            if (n <= 0) break;
            got.append(buf, n);
        }
        return got;
    }
};

}  // namespace

TEST(Serial, RawBytesPassUnchangedBothWays) {
    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    int fd = serial_open(pty.slave, SerialSettings{});
    ASSERT_GE(fd, 0) << std::strerror(errno);

    // Line ends, flow-control and signal characters must not be translated
    // or acted on.
    const std::string device_says("#BD:00,CMD:OK\r\n\x03\x11\x13\x7f\x00z", 21);
    ASSERT_EQ(::write(pty.master, device_says.data(), device_says.size()), (ssize_t)device_says.size());
    std::string got;
    char buf[64];
    while (got.size() < device_says.size()) {
        long n = serial_read(fd, buf, sizeof buf, 5000);
        ASSERT_GT(n, 0);
        got.append(buf, n);
    }
    EXPECT_EQ(got, device_says);

    const std::string we_say("$BD:00,CMD:MON,PAR:VMON\r\n\x03", 26);
    EXPECT_EQ(serial_write(fd, we_say.data(), we_say.size(), 600), (long)we_say.size());
    EXPECT_EQ(pty.read_master(we_say.size(), 5000), we_say);
    serial_close(fd);
}

TEST(Serial, ReadReturnsAsSoonAsBytesAreThereAndTimesOutEmpty) {
    Pty pty;
    int fd = serial_open(pty.slave, SerialSettings{});
    ASSERT_GE(fd, 0);
    char buf[1024];
    EXPECT_EQ(serial_read(fd, buf, sizeof buf, 50), 0);

    ASSERT_EQ(::write(pty.master, "ab", 2), 2);
    const auto t0 = steady_clock::now();
    long n = serial_read(fd, buf, sizeof buf, 20000);
    EXPECT_EQ(n, 2);
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - t0).count(), 10000)
        << "a read must not wait for a full buffer";
    serial_close(fd);
}

TEST(Serial, HungUpLineIsAnError) {
    Pty pty;
    int fd = serial_open(pty.slave, SerialSettings{});
    ASSERT_GE(fd, 0);
    pty.close_master();
    char buf[16];
    EXPECT_EQ(serial_read(fd, buf, sizeof buf, 1000), -1);
    serial_close(fd);
}

TEST(Serial, SettingsBecomeTheTermiosRecord) {
    SerialSettings s;
    s.baud = 19200;
    s.data_bits = 7;
    s.parity = Parity::Even;
    s.stop_bits = StopBits::Two;
    termios tio{};
    tio.c_cflag = CRTSCTS | PARODD;  // leftovers of an earlier user
    tio.c_iflag = IXON | ICRNL;
    bool custom = true;
    ASSERT_TRUE(serial_make_termios(tio, s, &custom));
    EXPECT_FALSE(custom);
    EXPECT_EQ(tio.c_cflag & CSIZE, (tcflag_t)CS7);
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD), (tcflag_t)PARENB);
    EXPECT_TRUE(tio.c_iflag & INPCK);
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_FALSE(tio.c_cflag & CRTSCTS);
    EXPECT_FALSE(tio.c_iflag & (IXON | ICRNL));
    EXPECT_EQ(cfgetospeed(&tio), (speed_t)B19200);

    s = SerialSettings{};
    s.parity = Parity::Odd;
    s.baud = 128000;
    ASSERT_TRUE(serial_make_termios(tio, s, &custom));
    EXPECT_TRUE(custom);
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD), (tcflag_t)(PARENB | PARODD));
    EXPECT_FALSE(tio.c_cflag & CSTOPB);
    EXPECT_EQ(tio.c_cflag & CSIZE, (tcflag_t)CS8);

    s = SerialSettings{};
    ASSERT_TRUE(serial_make_termios(tio, s, &custom));
    EXPECT_FALSE(tio.c_cflag & PARENB);
    EXPECT_FALSE(tio.c_iflag & INPCK);
}

TEST(Serial, OpenedPortIsRaw) {
    Pty pty;
    SerialSettings s;
    s.baud = 19200;
    s.stop_bits = StopBits::Two;
    int fd = serial_open(pty.slave, s);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    termios tio{};
    ASSERT_EQ(tcgetattr(fd, &tio), 0);
    EXPECT_FALSE(tio.c_lflag & (ECHO | ICANON | ISIG | IEXTEN));
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR));
    EXPECT_FALSE(tio.c_oflag & OPOST);
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_EQ(cfgetospeed(&tio), (speed_t)B19200);
    serial_close(fd);
}

TEST(Serial, RatesWithoutATermiosConstantAreAccepted) {
    Pty pty;
    for (int baud : {14400, 128000, 256000}) {
        SerialSettings s;
        s.baud = baud;
        int fd = serial_open(pty.slave, s);
        EXPECT_GE(fd, 0) << baud << ": " << std::strerror(errno);
        serial_close(fd);
    }
}

TEST(Serial, ImpossibleSettingsAndMissingDevicesFail) {
    Pty pty;
    SerialSettings s;
    s.data_bits = 9;
    errno = 0;
    EXPECT_EQ(serial_open(pty.slave, s), -1);
    EXPECT_EQ(errno, EINVAL);
    s = SerialSettings{};
    s.baud = 0;
    EXPECT_EQ(serial_open(pty.slave, s), -1);

    EXPECT_EQ(serial_open("/dev/this-port-does-not-exist", SerialSettings{}), -1);
    EXPECT_EQ(serial_open("", SerialSettings{}), -1);
    char path[] = "/tmp/serial-test-XXXXXX";
    int f = mkstemp(path);
    ASSERT_GE(f, 0);
    EXPECT_EQ(serial_open(path, SerialSettings{}), -1) << "a plain file is no port";
    EXPECT_EQ(errno, ENOTTY);
    ::close(f);
    ::unlink(path);
}

TEST(Serial, PortNamesAndNumbers) {
    EXPECT_EQ(serial_device_path("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(serial_device_path("COM3"), "/dev/COM3");
    EXPECT_EQ(serial_device_path("/dev/pts/7"), "/dev/pts/7");
    EXPECT_EQ(serial_device_path(""), "");
    EXPECT_EQ(serial_port_number("COM12"), 12);
    EXPECT_EQ(serial_port_number("COM3"), 3);
    EXPECT_EQ(serial_port_number("/dev/pts/17"), 17);
    EXPECT_EQ(serial_port_number("ttyACM"), -1);
}
