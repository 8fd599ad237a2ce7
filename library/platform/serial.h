// Serial ports through termios: real USB serial devices and pseudo-terminals.
//
// A port name that begins with "/" is a device path used as it is
// ("/dev/ttyACM0", "/dev/pts/7"); any other name is looked up under /dev/
// ("ttyUSB0" -> "/dev/ttyUSB0").  The port is opened exclusively and put in
// raw mode: no echo, no line-end translation, no flow control, no signal
// characters, DTR and RTS dropped, so that exact bytes pass both ways.
#pragma once

#include <cstddef>
#include <string>

struct termios;

namespace zevahv::platform {

enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

struct SerialSettings {
    int baud = 9600;        // any positive rate; rates without a termios
                            // constant use the Linux custom-rate call
    int data_bits = 8;      // 5..8
    StopBits stop_bits = StopBits::One;  // OneAndHalf is sent as two
    Parity parity = Parity::None;        // anything but None also turns on
                                         // input parity checking
};

// The device path for a port name (see above).  Empty for an empty name.
std::string serial_device_path(const std::string &name);

// The number that starts at the first decimal digit of the name ("COM12" ->
// 12, "/dev/ttyUSB3" -> 3, "/dev/pts/7" -> 7); -1 when the name has no digit.
int serial_port_number(const std::string &name);

// Opens and configures the port.  Returns the descriptor or -1 (errno set;
// EINVAL for settings the port cannot take, e.g. 9 data bits).
int serial_open(const std::string &name, const SerialSettings &settings);

// Fills a termios record for the settings (raw mode, size, parity, stop
// bits, standard speed).  False for settings termios cannot express.
// *custom_baud is set when the rate needs the custom-rate call.
bool serial_make_termios(termios &tio, const SerialSettings &settings, bool *custom_baud);

// Applies settings to an open port (used by serial_open).
bool serial_configure(int fd, const SerialSettings &settings);

// Waits up to timeout_ms for data and returns as soon as at least one byte
// is there, with what is available (at most len).  Returns the count, 0 when
// nothing arrived in time, -1 on error (a hung-up line counts as an error).
long serial_read(int fd, void *buf, std::size_t len, int timeout_ms);

// Writes the bytes, waiting at most timeout_ms for the port to take them all.
// Returns the number written (less than len when the time ran out), or -1 on
// an error before anything was written.
long serial_write(int fd, const void *data, std::size_t len, int timeout_ms);

// Discards unread input and unsent output.
void serial_flush(int fd);

void serial_close(int fd);

}  // namespace zevahv::platform
