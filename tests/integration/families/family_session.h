#pragma once
// What the family tests share: the five families' simulators on TCP or a
// pseudo-terminal, the connection arguments that reach them, name lists,
// properties and events read through the public interface.

#include <memory>
#include <string>
#include <vector>

#include "crate_map.h"
#include "event_listener.h"
#include "module_session.h"

enum class Via { Tcp, Serial };

// "127.0.0.1:<port>" (the families without a board field), or the pty
// with "_9600_8_0_0".
std::string tcp_address(const SimProcess& sim);
std::string serial_settings(const SimProcess& sim);

// Starts "zevahv-sim <device>" on TCP or (--pty) a pseudo-terminal.
std::unique_ptr<SimProcess> start_device(const char* device, Via via,
                                         std::vector<std::string> args = {});
// Opens the system of the family code over the link that `via` names, with
// the argument above (extra: appended to it, e.g. "_3" for a board).
int open_on(OpenSystem& sys, int type, const SimProcess& sim, Via via,
            const std::string& extra = "");

// One module opened once for a whole suite (an open may take seconds: the
// module's pauses): the suite's SetUpTestSuite calls open_shared().
class SharedModule : public ::testing::Test {
protected:
    static void open_shared(const char* device, int type, std::vector<std::string> args);
    static void TearDownTestSuite();
    int h() const { return sys_->handle(); }
    static SimProcess* sim_;
    static OpenSystem* sys_;
};

// The names of a parameter name list (10-byte fields, an empty one ends it),
// freed.
std::vector<std::string> board_params(int h);
std::vector<std::string> channel_params(int h, unsigned short ch);
std::vector<std::string> exec_commands(int h);

// One property, as its type.
unsigned prop_uint(int h, int ch, const char* param, const char* prop, int* rc);
float prop_float(int h, int ch, const char* param, const char* prop, int* rc);
unsigned short prop_ushort(int h, int ch, const char* param, const char* prop, int* rc);
std::string prop_text(int h, int ch, const char* param, const char* prop, int* rc);


// The command lines the simulator received, in order ("> " taken off).
std::vector<std::string> received(const SimProcess& sim);

// Board parameter reads and writes of slot 0.
int get_board(int h, const char* param, void* value);
int set_board(int h, const char* param, const void* value);

// A client's event port with the connection a polling thread makes to it.
class EventStream {
public:
    EventStream() = default;
    ~EventStream();
    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;

    unsigned short port() const { return listener_.port(); }
    // Waits for the connection and reads its identification text.
    bool accept(int timeout_ms = 10000);
    const std::string& ident() const { return ident_; }
    // Reads frames until one holds every wanted item ("name" for a board
    // item, "name/ch" for a channel one); false after `frames` frames.
    bool frame_with(const std::vector<std::string>& wanted, int frames,
                    std::vector<IDValue_t>* out = nullptr);
    int fd() const { return fd_; }

private:
    EventListener listener_;
    int fd_ = -1;
    std::string ident_;
};

// A LUMENHV description file for the simulator (--describe), removed with
// the object.
class DescriptionFile {
public:
    explicit DescriptionFile(const std::string& json);
    ~DescriptionFile();
    DescriptionFile(const DescriptionFile&) = delete;
    DescriptionFile& operator=(const DescriptionFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};
std::unique_ptr<SimProcess> start_described(const DescriptionFile& d, Via via = Via::Tcp,
                                            std::vector<std::string> args = {});

// The key frame_with() matches a record under.
std::string record_key(const IDValue_t& e);
