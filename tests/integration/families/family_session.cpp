#include "family_session.h"

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>

std::string tcp_address(const SimProcess& sim) {
    return "127.0.0.1:" + std::to_string(sim.port());
}

std::string serial_settings(const SimProcess& sim) { return sim.pty_path() + "_9600_8_0_0"; }

std::unique_ptr<SimProcess> start_device(const char* device, Via via,
                                         std::vector<std::string> args) {
    if (via == Via::Serial) args.insert(args.begin(), "--pty");
    return SimProcess::start(device, std::move(args));
}

int open_on(OpenSystem& sys, int type, const SimProcess& sim, Via via, const std::string& extra) {
    if (via == Via::Tcp) return sys.open(type, ZEVAHV_LINK_TCPIP, tcp_address(sim) + extra);
    return sys.open(type, ZEVAHV_LINK_USBVCP, serial_settings(sim) + extra);
}

SimProcess* SharedModule::sim_ = nullptr;
OpenSystem* SharedModule::sys_ = nullptr;

void SharedModule::open_shared(const char* device, int type, std::vector<std::string> args) {
    sim_ = start_device(device, Via::Tcp, std::move(args)).release();
    sys_ = new OpenSystem;
    ASSERT_EQ(open_on(*sys_, type, *sim_, Via::Tcp), 0);
}

void SharedModule::TearDownTestSuite() {
    delete sys_;
    delete sim_;
    sys_ = nullptr;
    sim_ = nullptr;
}

namespace {

std::vector<std::string> name_fields(char* list) {
    std::vector<std::string> names;
    if (!list) return names;
    for (const char* p = list; *p != '\0'; p += ZEVAHV_MAX_PARAM_NAME)
        names.emplace_back(p, strnlen(p, ZEVAHV_MAX_PARAM_NAME));
    ZEVAHV_Free(list);
    return names;
}

} // namespace

std::vector<std::string> board_params(int h) {
    char* list = nullptr;
    if (ZEVAHV_GetBdParamInfo(h, 0, &list) != 0) return {"<failed>"};
    return name_fields(list);
}

std::vector<std::string> channel_params(int h, unsigned short ch) {
    char* list = nullptr;
    int n = -1;
    if (ZEVAHV_GetChParamInfo(h, 0, ch, &list, &n) != 0) return {"<failed>"};
    std::vector<std::string> names = name_fields(list);
    EXPECT_EQ(n, static_cast<int>(names.size()));
    return names;
}

std::vector<std::string> exec_commands(int h) {
    unsigned short n = 0;
    char* list = nullptr;
    if (ZEVAHV_GetExecCommList(h, &n, &list) != 0) return {"<failed>"};
    std::vector<std::string> names;
    const char* p = list;
    for (unsigned k = 0; k < n; ++k) {
        names.emplace_back(p);
        p += names.back().size() + 1;
    }
    ZEVAHV_Free(list);
    return names;
}

namespace {

int prop(int h, int ch, const char* param, const char* prop, void* value) {
    if (ch < 0) return ZEVAHV_GetBdParamProp(h, 0, param, prop, value);
    return ZEVAHV_GetChParamProp(h, 0, static_cast<unsigned short>(ch), param, prop, value);
}

} // namespace

unsigned prop_uint(int h, int ch, const char* param, const char* p, int* rc) {
    unsigned v = 0xDEADBEEF;
    *rc = prop(h, ch, param, p, &v);
    return v;
}

float prop_float(int h, int ch, const char* param, const char* p, int* rc) {
    float v = -12345;
    *rc = prop(h, ch, param, p, &v);
    return v;
}

unsigned short prop_ushort(int h, int ch, const char* param, const char* p, int* rc) {
    unsigned short v = 0xBEEF;
    *rc = prop(h, ch, param, p, &v);
    return v;
}

std::string prop_text(int h, int ch, const char* param, const char* p, int* rc) {
    char v[256] = "untouched";
    *rc = prop(h, ch, param, p, v);
    return std::string(v, strnlen(v, sizeof v));
}

std::vector<std::string> received(const SimProcess& sim) {
    std::vector<std::string> lines;
    for (const std::string& l : sim.log_lines())
        if (l.rfind("> ", 0) == 0) lines.push_back(l.substr(2));
    return lines;
}

int get_board(int h, const char* param, void* value) {
    const unsigned short slot = 0;
    return ZEVAHV_GetBdParam(h, 1, &slot, param, value);
}

int set_board(int h, const char* param, const void* value) {
    const unsigned short slot = 0;
    return ZEVAHV_SetBdParam(h, 1, &slot, param, const_cast<void*>(value));
}

EventStream::~EventStream() {
    if (fd_ >= 0) ::close(fd_);
}

bool EventStream::accept(int timeout_ms) {
    fd_ = listener_.accept_one(timeout_ms);
    if (fd_ < 0) return false;
    ident_ = EventListener::read_ident(fd_, timeout_ms);
    return true;
}

std::string record_key(const IDValue_t& e) {
    std::string key(e.Item, strnlen(e.Item, sizeof e.Item));
    if (e.ChannelIndex >= 0) key += "/" + std::to_string(e.ChannelIndex);
    return key;
}

bool EventStream::frame_with(const std::vector<std::string>& wanted, int frames,
                             std::vector<IDValue_t>* out) {
    for (int i = 0; i < frames; ++i) {
        ZEVAHV_SYSTEMSTATUS_t status;
        IDValue_t* ev = nullptr;
        unsigned n = 0;
        const int r = ZEVAHV_GetEventData(fd_, &status, &ev, &n);
        if (r != 0) {
            ADD_FAILURE() << "GetEventData: " << r;
            return false;
        }
        std::vector<IDValue_t> records(ev, ev + n);
        ZEVAHV_FreeEventData(&ev);
        bool all = true;
        for (const std::string& w : wanted) {
            bool found = false;
            for (const IDValue_t& e : records) found = found || record_key(e) == w;
            all = all && found;
        }
        if (all) {
            if (out) *out = std::move(records);
            return true;
        }
    }
    return false;
}

DescriptionFile::DescriptionFile(const std::string& json) {
    static std::atomic<int> count{0};
    path_ = (std::filesystem::temp_directory_path() /
             ("zevahv-lumenhv-" + std::to_string(getpid()) + "-" + std::to_string(++count) +
              ".json"))
                .string();
    std::ofstream(path_) << json;
}

DescriptionFile::~DescriptionFile() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
}

std::unique_ptr<SimProcess> start_described(const DescriptionFile& d, Via via,
                                            std::vector<std::string> args) {
    args.insert(args.begin(), {"--describe", d.path()});
    return start_device("lumenhv", via, std::move(args));
}
