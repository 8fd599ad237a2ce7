// The legacy crates: login, their property set, subscriptions with graded
// refusals, and event messages read through ZEVAHVGetEventData.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <regex>
#include <string>

#include "crate.h"

namespace {

constexpr int kRecord = 325;

// The client's datagram socket: bound on 127.0.0.1, connected to the crate
// (or to nothing) so that the crate's address names the system.
struct Datagrams {
    unsigned short port = 0;
    int fd = -1;
    explicit Datagrams(const std::string& crate_host = "") : fd(udp_socket(&port, crate_host)) {}
    ~Datagrams() { close(fd); }
    short port_arg() const { return static_cast<short>(port); }

    struct Record {
        int kind;
        std::string name;
        unsigned number;
        float value;
        std::string text;
    };
    int read(std::vector<Record>* out) {
        char* ev = nullptr;
        int n = 0;
        const int r = ZEVAHVGetEventData(fd, &ev, &n);
        out->clear();
        for (int i = 0; i < n; ++i) {
            const char* p = ev + i * kRecord;
            Record rec{p[0], std::string(p + 1), 0, 0, std::string(p + 69)};
            std::memcpy(&rec.number, p + 65, 4);
            std::memcpy(&rec.value, p + 65, 4);
            out->push_back(rec);
        }
        ZEVAHVFreeEventData(reinterpret_cast<IDValue_t**>(&ev));
        return r;
    }
    template <typename P>
    bool until(P pred, int* code = nullptr) {
        for (int i = 0; i < 100; ++i) {
            std::vector<Record> recs;
            const int r = read(&recs);
            if (code) *code = r;
            if (r != 0) return false;
            bool hit = false;
            for (const Record& x : recs) hit = pred(x) || hit;
            if (hit) return true;
        }
        return false;
    }
};

std::string item(int h, const std::string& rest) {
    char lock[32];
    std::snprintf(lock, sizeof lock, "ZEVA_KR2210_HVL_%03d.", h);
    return lock + rest;
}

}  // namespace

TEST(LegacyMainframe, OpenBothTypesAndRefusals) {
    Crate crate(Crate::Legacy);
    int a = -1, b = -1, c = -1;
    ASSERT_EQ(crate.open(&a, "admin", "admin", ZEVAHV_SYS_KR2210), 0);
    EXPECT_EQ(crate.open(&b, "admin", "admin", ZEVAHV_SYS_KR2210), ZEVAHV_ERR_DEVALREADYOPEN);
    // A KR2220 is stored as family 0: opened twice on one address, not caught.
    ASSERT_EQ(crate.open(&b, "admin", "admin", ZEVAHV_SYS_KR2220), 0);
    ASSERT_EQ(crate.open(&c, "admin", "admin", ZEVAHV_SYS_KR2220), 0);
    EXPECT_EQ(crate.control("sessions"), "OK 3");
    EXPECT_STREQ(ZEVAHVGetError("ZEVA_KR2210_HVL_999"), " Connection failed ");
    char lock[32];
    std::snprintf(lock, sizeof lock, "ZEVA_KR2210_HVL_%03d", a);
    EXPECT_EQ(std::string(ZEVAHVGetError(lock)), std::string(ZEVAHV_GetError(a)));
    for (int h : {a, b, c}) EXPECT_EQ(ZEVAHV_DeinitSystem(h), 0);

    int h = 3;
    EXPECT_EQ(crate.open(&h, "admin", "nope"), ZEVAHV_ERR_LOGINFAILED);
    // A legacy address carries no port: with one it is no legacy crate.
    std::string with_port = crate.host + ":2527";
    EXPECT_EQ(ZEVAHV_InitSystem(ZEVAHV_SYS_KR2210, ZEVAHV_LINK_TCPIP, with_port.data(), "admin",
                                "admin", &h),
              ZEVAHV_ERR_OPENFAILED);
    EXPECT_EQ(crate.control("sessions"), "OK 0");
}

TEST(LegacyMainframe, PropertiesAndCommands) {
    Crate crate(Crate::Legacy);
    OpenSystem s(crate);
    unsigned short n = 0;
    char* list = nullptr;
    ASSERT_EQ(ZEVAHV_GetSysPropList(s.h, &n, &list), 0);
    EXPECT_EQ(n, 21);
    // Every listed property reads.
    for (const char* p = list; n > 0; p += std::strlen(p) + 1, --n) {
        char value[1024];
        EXPECT_EQ(ZEVAHV_GetSysProp(s.h, p, value), 0) << p << ": " << ZEVAHV_GetError(s.h);
    }
    ZEVAHV_Free(list);
    ASSERT_EQ(ZEVAHV_GetExecCommList(s.h, &n, &list), 0);
    EXPECT_EQ(n, 6);
    ZEVAHV_Free(list);

    char buf[1024];
    ASSERT_EQ(ZEVAHV_GetSysProp(s.h, "ModelName", buf), 0);
    EXPECT_STREQ(buf, "KR2210");
    ASSERT_EQ(ZEVAHV_GetSysProp(s.h, "HvPwSM", buf), 0);
    EXPECT_TRUE(std::regex_match(buf, std::regex(R"(\d+(:\d+){4})"))) << buf;  // numbers only
    ASSERT_EQ(ZEVAHV_GetSysProp(s.h, "FanStat", buf), 0);
    EXPECT_TRUE(std::regex_match(buf, std::regex(R"(\d+(:\d+){5})"))) << buf;
    ASSERT_EQ(ZEVAHV_GetSysProp(s.h, "RS232Par", buf), 0);
    EXPECT_NE(std::memchr(buf, 0, sizeof buf), nullptr);
    short crate_number = 42;  // a whole number, not one bit
    ASSERT_EQ(ZEVAHV_SetSysProp(s.h, "CnetCrNum", &crate_number), 0) << ZEVAHV_GetError(s.h);
    short back = 0;
    ASSERT_EQ(ZEVAHV_GetSysProp(s.h, "CnetCrNum", &back), 0);
    EXPECT_EQ(back, 42);
    // The current crates' names are no legacy properties.
    EXPECT_EQ(ZEVAHV_GetSysProp(s.h, "HVFanStat", buf), ZEVAHV_ERR_PROPNOTFOUND);
    EXPECT_EQ(ZEVAHV_GetSysProp(s.h, "DummyReg", buf), ZEVAHV_ERR_PROPNOTFOUND);

    ASSERT_EQ(set_ch_uint(s.h, 1, 0, "Pw", 1), 0);
    ASSERT_EQ(ZEVAHV_ExecComm(s.h, "Kill"), 0) << ZEVAHV_GetError(s.h);
    EXPECT_EQ(ch_uint(s.h, 1, 0, "Pw"), 0u);
    ASSERT_EQ(ZEVAHV_ExecComm(s.h, "ClearAlarm"), 0);
    EXPECT_EQ(ZEVAHV_ExecComm(s.h, "RS232CmdOff"), ZEVAHV_ERR_EXECNOTAVAIL);
    // Parameters work as on a current crate.
    float v = 1234.56f;
    const unsigned short ch = 3;
    ASSERT_EQ(ZEVAHV_SetChParam(s.h, 1, "VSet", 1, &ch, &v), 0);
    EXPECT_FLOAT_EQ(ch_float(s.h, 1, 3, "VSet"), 1234.6f);
}

TEST(LegacyMainframe, SubscriptionsAndMessages) {
    Crate crate(Crate::Legacy, {"--tick", "50", "--max-items", "3"});
    OpenSystem s(crate);
    Datagrams dg(crate.host);
    const std::string vmon = item(s.h, "Board01.CHAN000.VMon");
    const std::string items = vmon + ":" + item(s.h, "Board01.CHAN000.Nope") + ":" +
                              item(s.h, "Board01.CHAN001.VSet");
    char res[4] = {9, 9, 9, 9};
    ASSERT_EQ(ZEVAHV_Subscribe(s.h, dg.port_arg(), 3, items.c_str(), res), 0);
    EXPECT_EQ(static_cast<unsigned char>(res[0]), 0);
    EXPECT_EQ(static_cast<unsigned char>(res[1]), 255);  // no such parameter
    EXPECT_EQ(static_cast<unsigned char>(res[2]), 0);
    const std::string again = vmon + ":" + item(s.h, "Board01.Temp") + ":" + item(s.h, "Board01.TempMax");
    ASSERT_EQ(ZEVAHV_Subscribe(s.h, dg.port_arg(), 3, again.c_str(), res), 0);
    EXPECT_EQ(static_cast<unsigned char>(res[0]), 254);  // this session has it already
    EXPECT_EQ(static_cast<unsigned char>(res[1]), 0);
    EXPECT_EQ(static_cast<unsigned char>(res[2]), 253);  // the crate's item limit

    // One change: a single event; the value converted with the descriptor.
    ASSERT_EQ(set_ch_float(s.h, 1, 1, "VSet", 250.5f), 0);
    EXPECT_TRUE(dg.until([&](const Datagrams::Record& r) {
        return r.name == item(s.h, "Board01.CHAN001.VSet") && r.value == 250.5f && r.kind == 0;
    }));
    // A batch of one, and many changes at once.
    EXPECT_EQ(crate.control("event batch").rfind("OK", 0), 0u);
    EXPECT_EQ(crate.control("set 1 0 VMon 10").rfind("OK", 0), 0u);
    // (The output falls back towards 0 at once: Pw is off.)
    EXPECT_TRUE(dg.until([&](const Datagrams::Record& r) { return r.name == vmon && r.value > 0.0f; }));

    // ZEVAHV_GetEventData does not serve legacy crates.
    ZEVAHV_SYSTEMSTATUS_t st;
    IDValue_t* ev = nullptr;
    unsigned n = 0;
    EXPECT_EQ(ZEVAHV_GetEventData(dg.fd, &st, &ev, &n), ZEVAHV_ERR_FUNCTIONNOTAVAILABLE);

    // A message cut to 20 bytes.
    EXPECT_EQ(crate.control("event cut").rfind("OK", 0), 0u);
    int code = 0;
    EXPECT_FALSE(dg.until([](const Datagrams::Record&) { return false; }, &code));
    EXPECT_EQ(code, ZEVAHV_ERR_SYSERR);

    // Unsubscribed: gone from the crate.
    const std::string gone = vmon + ":" + item(s.h, "Board01.CHAN001.VSet");
    ASSERT_EQ(ZEVAHV_UnSubscribe(s.h, dg.port_arg(), 2, gone.c_str(), res), 0);
    EXPECT_TRUE(eventually([&] { return crate.control("subscriptions") == "OK 1"; }));
}

TEST(LegacyMainframe, MessagesFromStrangersAreRefused) {
    Crate crate(Crate::Legacy);
    OpenSystem s(crate);
    Datagrams open_socket;  // connected to nobody: takes datagrams from anyone
    int stranger = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, "127.0.0.3", &from.sin_addr);
    ASSERT_EQ(bind(stranger, reinterpret_cast<sockaddr*>(&from), sizeof from), 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(open_socket.port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    unsigned char msg[28] = {'Z', 'E', 'V', 'A', 1, 0, 0, 1};
    msg[19] = 1;  // identifier 1
    msg[21] = 4;  // a 4-byte number
    ASSERT_EQ(sendto(stranger, msg, sizeof msg, 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
              static_cast<ssize_t>(sizeof msg));
    std::vector<Datagrams::Record> recs;
    EXPECT_EQ(open_socket.read(&recs), ZEVAHV_ERR_NODATA);
    EXPECT_TRUE(recs.empty());
    // Short messages are refused before anything else.
    ASSERT_EQ(sendto(stranger, msg, 27, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 27);
    EXPECT_EQ(open_socket.read(&recs), ZEVAHV_ERR_SYSERR);
    close(stranger);
}
