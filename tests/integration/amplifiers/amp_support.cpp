#include "amp_support.h"

#include <gtest/gtest.h>

#include <cstring>

const AmpFamily kQ2906{"q2906", ZEVAHV_SYS_Q2906, "Q2906", "ZEVA_Q2906_HVL_", "Threshold", "THR"};
const AmpFamily kQ2904{"q2904", ZEVAHV_SYS_Q2904, "Q2904", "ZEVA_Q2904_HVL_", "PoleZAdj", "PZADJ"};
const AmpFamily kP731X{"p731x", ZEVAHV_SYS_P731X, "P731X", "ZEVA_P731X_HVL_", "PoleZAdj", "PZADJ"};

OpenSystem::OpenSystem(int system_type, int link_type, const std::string& arg) {
    std::string a = arg;  // the interface takes a non-const pointer
    result_ = ZEVAHV_InitSystem(system_type, link_type, a.data(), "", "", &handle_);
}

OpenSystem::~OpenSystem() { close(); }

void OpenSystem::close() {
    if (result_ == 0 && handle_ >= 0) {
        EXPECT_EQ(ZEVAHV_DeinitSystem(handle_), 0);
    }
    result_ = -1;
    handle_ = -1;
}

std::unique_ptr<OpenSystem> open_tcp(const AmpFamily& f, const SimProcess& sim, int board) {
    return std::make_unique<OpenSystem>(f.system_type, ZEVAHV_LINK_TCPIP, sim.tcp_arg(board));
}

std::unique_ptr<OpenSystem> open_serial(const AmpFamily& f, const SimProcess& sim, int board) {
    return std::make_unique<OpenSystem>(f.system_type, ZEVAHV_LINK_USBVCP,
                                        sim.serial_arg(board));
}

size_t log_mark(const SimProcess& sim) { return sim.log_lines().size(); }

std::vector<std::string> commands(const SimProcess& sim, size_t from) {
    std::vector<std::string> out;
    auto lines = sim.log_lines();
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i].rfind("> ", 0) == 0) out.push_back(lines[i].substr(2));
    return out;
}

std::string sim_get(SimProcess& sim, const std::string& mnemonic, int ch, int board) {
    std::string r = sim.control("get " + std::to_string(board) + " " + mnemonic + " " +
                                std::to_string(ch));
    EXPECT_EQ(r.rfind("OK ", 0), 0u) << "get " << mnemonic << ": " << r;
    return r.size() > 3 ? r.substr(3) : std::string();
}

void sim_set(SimProcess& sim, const std::string& mnemonic, int ch, const std::string& value,
             int board) {
    std::string r = sim.control("set " + std::to_string(board) + " " + mnemonic + " " +
                                std::to_string(ch) + " " + value);
    EXPECT_EQ(r.rfind("OK", 0), 0u) << "set " << mnemonic << ": " << r;
}

int set_ch_float(int h, const char* par, unsigned short ch, float v) {
    return ZEVAHV_SetChParam(h, 0, par, 1, &ch, &v);
}

int set_ch_uint(int h, const char* par, unsigned short ch, unsigned v) {
    return ZEVAHV_SetChParam(h, 0, par, 1, &ch, &v);
}

int get_ch_float(int h, const char* par, unsigned short ch, float* v) {
    return ZEVAHV_GetChParam(h, 0, par, 1, &ch, v);
}

int get_ch_uint(int h, const char* par, unsigned short ch, unsigned* v) {
    return ZEVAHV_GetChParam(h, 0, par, 1, &ch, v);
}

std::vector<std::string> enum_texts(int h, const char* par, bool board) {
    char buf[ZEVAHV_ENUM_COUNT * ZEVAHV_ENUM_TEXT_SIZE];
    std::memset(buf, 0x5a, sizeof buf);
    float maxval = -1;
    int r1 = board ? ZEVAHV_GetBdParamProp(h, 0, par, "Enum", buf)
                   : ZEVAHV_GetChParamProp(h, 0, 0, par, "Enum", buf);
    int r2 = board ? ZEVAHV_GetBdParamProp(h, 0, par, "Maxval", &maxval)
                   : ZEVAHV_GetChParamProp(h, 0, 0, par, "Maxval", &maxval);
    EXPECT_EQ(r1, 0) << par;
    EXPECT_EQ(r2, 0) << par;
    std::vector<std::string> out;
    if (r1 != 0 || maxval < 0 || maxval >= ZEVAHV_ENUM_COUNT) return out;
    for (int i = 0; i <= static_cast<int>(maxval); ++i) {
        const char* field = buf + i * ZEVAHV_ENUM_TEXT_SIZE;
        // Every field must hold its terminator inside its 15 bytes.
        EXPECT_NE(std::memchr(field, '\0', ZEVAHV_ENUM_TEXT_SIZE), nullptr) << par << " " << i;
        out.emplace_back(field, strnlen(field, ZEVAHV_ENUM_TEXT_SIZE));
    }
    return out;
}

std::vector<std::string> name_list(char* list) {
    std::vector<std::string> out;
    if (list == nullptr) return out;
    for (const char* p = list; *p != '\0'; p += ZEVAHV_MAX_PARAM_NAME)
        out.emplace_back(p, strnlen(p, ZEVAHV_MAX_PARAM_NAME));
    ZEVAHV_Free(list);
    return out;
}
