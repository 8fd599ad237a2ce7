#include "crate.h"

#include "event_listener.h"

#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

Crate::Crate(Kind k, std::vector<std::string> args) : kind(k), host(private_loopback_host()) {
    std::vector<std::string> all = {"--tcp", host + (k == Legacy ? ":2527" : ":0")};
    if (k == Legacy) all.push_back("--legacy");
    all.insert(all.end(), args.begin(), args.end());
    sim = SimProcess::start("mainframe", all);
}

std::string Crate::address() const {
    return kind == Legacy ? host : host + ":" + std::to_string(sim->port());
}

int Crate::open(int* handle, const char* user, const char* password, int type) const {
    if (type < 0) type = kind == Legacy ? ZEVAHV_SYS_KR2210 : ZEVAHV_SYS_KR2440;
    std::string arg = address();
    return ZEVAHV_InitSystem(type, ZEVAHV_LINK_TCPIP, arg.data(), user, password, handle);
}

long Crate::count(const std::string& command) {
    const std::string r = control("count " + command);
    EXPECT_EQ(r.rfind("OK ", 0), 0u) << r;
    return std::atol(r.c_str() + 3);
}

OpenSystem::OpenSystem(const Crate& crate, int type) {
    const int r = crate.open(&h, "admin", "admin", type);
    EXPECT_EQ(r, 0) << "open failed";
}

OpenSystem::~OpenSystem() {
    if (h >= 0) {
        EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);
    }
}

int CrateMap::read(int handle) {
    clear();
    return ZEVAHV_GetCrateMap(handle, &slots, &channels, &models, &descriptions, &serials, &fw_min,
                              &fw_max);
}

static std::vector<std::string> packed(const char* p, int n) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) {
        out.emplace_back(p);
        p += out.back().size() + 1;
    }
    return out;
}

std::vector<std::string> CrateMap::model_list() const { return packed(models, slots); }
std::vector<std::string> CrateMap::description_list() const { return packed(descriptions, slots); }

void CrateMap::clear() {
    ZEVAHV_Free(channels), ZEVAHV_Free(models), ZEVAHV_Free(descriptions);
    ZEVAHV_Free(serials), ZEVAHV_Free(fw_min), ZEVAHV_Free(fw_max);
    channels = serials = nullptr;
    models = descriptions = nullptr;
    fw_min = fw_max = nullptr;
}

float ch_float(int h, int slot, int ch, const char* par, int* r) {
    const unsigned short c = static_cast<unsigned short>(ch);
    float v = -12345.0f;
    const int code = ZEVAHV_GetChParam(h, static_cast<unsigned short>(slot), par, 1, &c, &v);
    if (r) *r = code;
    return v;
}

unsigned ch_uint(int h, int slot, int ch, const char* par, int* r) {
    const unsigned short c = static_cast<unsigned short>(ch);
    unsigned v = 0xDEADu;
    const int code = ZEVAHV_GetChParam(h, static_cast<unsigned short>(slot), par, 1, &c, &v);
    if (r) *r = code;
    return v;
}

int set_ch_float(int h, int slot, int ch, const char* par, float v) {
    const unsigned short c = static_cast<unsigned short>(ch);
    return ZEVAHV_SetChParam(h, static_cast<unsigned short>(slot), par, 1, &c, &v);
}

int set_ch_uint(int h, int slot, int ch, const char* par, unsigned v) {
    const unsigned short c = static_cast<unsigned short>(ch);
    return ZEVAHV_SetChParam(h, static_cast<unsigned short>(slot), par, 1, &c, &v);
}

struct EventStream::Listener {
    EventListener l;
};

EventStream::EventStream() : listener_(std::make_unique<Listener>()) {}

EventStream::~EventStream() {
    if (fd_ >= 0) close(fd_);
}

unsigned short EventStream::port() const { return listener_->l.port(); }

bool EventStream::accept(int timeout_ms) {
    if (fd_ < 0) fd_ = listener_->l.accept_one(timeout_ms);
    return fd_ >= 0;
}

int EventStream::read(std::vector<IDValue_t>* records, ZEVAHV_SYSTEMSTATUS_t* status) {
    ZEVAHV_SYSTEMSTATUS_t st{};
    IDValue_t* ev = nullptr;
    unsigned n = 0;
    const int r = ZEVAHV_GetEventData(fd_, &st, &ev, &n);
    if (status) *status = st;
    records->assign(ev, ev + n);
    ZEVAHV_FreeEventData(&ev);
    return r;
}

int subscribe(int h, short port, int slot, int ch, const std::string& names,
              std::vector<unsigned char>* results, bool on) {
    unsigned count = 1;
    for (char c : names) count += c == ':';
    std::vector<char> res(count, 0x55);
    int r;
    if (slot < 0)
        r = on ? ZEVAHV_SubscribeSystemParams(h, port, names.c_str(), count, res.data())
               : ZEVAHV_UnSubscribeSystemParams(h, port, names.c_str(), count, res.data());
    else if (ch < 0)
        r = on ? ZEVAHV_SubscribeBoardParams(h, port, static_cast<unsigned short>(slot), names.c_str(), count, res.data())
               : ZEVAHV_UnSubscribeBoardParams(h, port, static_cast<unsigned short>(slot), names.c_str(), count, res.data());
    else
        r = on ? ZEVAHV_SubscribeChannelParams(h, port, static_cast<unsigned short>(slot),
                                               static_cast<unsigned short>(ch), names.c_str(), count, res.data())
               : ZEVAHV_UnSubscribeChannelParams(h, port, static_cast<unsigned short>(slot),
                                                 static_cast<unsigned short>(ch), names.c_str(), count, res.data());
    if (results) results->assign(res.begin(), res.end());
    return r;
}

int udp_socket(unsigned short* port, const std::string& host) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    *port = ntohs(a.sin_port);
    if (!host.empty()) {
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(2527);
        inet_pton(AF_INET, host.c_str(), &peer.sin_addr);
        EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer), 0);
    }
    return fd;
}
