#include "regaccess_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

System::System(int type, int link, const std::string& arg) {
    CommStandIn::get();
    result_ = ZEVAHV_InitSystem(type, link, const_cast<char*>(arg.c_str()), "", "", &handle_);
}

System::~System() { close(); }

void System::close() {
    if (result_ == 0 && handle_ >= 0) {
        EXPECT_EQ(ZEVAHV_DeinitSystem(handle_), 0);
    }
    handle_ = -1;
    result_ = -1;
}

std::string w40xx_arg(unsigned base) {
    char text[32];
    std::snprintf(text, sizeof text, "0_0_%x", base);
    return text;
}

float get_float(int h, const char* par, unsigned short ch, int* result) {
    float v = -12345;
    const int r = ZEVAHV_GetChParam(h, 0, par, 1, &ch, &v);
    if (result) *result = r;
    else EXPECT_EQ(r, 0) << par;
    return v;
}

unsigned get_unsigned(int h, const char* par, unsigned short ch, int* result) {
    unsigned v = 12345;
    const int r = ZEVAHV_GetChParam(h, 0, par, 1, &ch, &v);
    if (result) *result = r;
    else EXPECT_EQ(r, 0) << par;
    return v;
}

int set_float(int h, const char* par, unsigned short ch, float v) {
    return ZEVAHV_SetChParam(h, 0, par, 1, &ch, &v);
}

int set_unsigned(int h, const char* par, unsigned short ch, unsigned v) {
    return ZEVAHV_SetChParam(h, 0, par, 1, &ch, &v);
}

float get_board_float(int h, const char* par, int* result) {
    const unsigned short slot = 0;
    float v = -12345;
    const int r = ZEVAHV_GetBdParam(h, 1, &slot, par, &v);
    if (result) *result = r;
    else EXPECT_EQ(r, 0) << par;
    return v;
}

unsigned get_board_unsigned(int h, const char* par, int* result) {
    const unsigned short slot = 0;
    unsigned v = 12345;
    const int r = ZEVAHV_GetBdParam(h, 1, &slot, par, &v);
    if (result) *result = r;
    else EXPECT_EQ(r, 0) << par;
    return v;
}

namespace {
std::vector<std::string> field_list(char* list) {
    std::vector<std::string> out;
    for (const char* p = list; p && *p; p += ZEVAHV_MAX_PARAM_NAME) out.emplace_back(p);
    ZEVAHV_Free(list);
    return out;
}
}  // namespace

std::vector<std::string> channel_params(int h, unsigned short ch) {
    char* list = nullptr;
    int n = -1;
    EXPECT_EQ(ZEVAHV_GetChParamInfo(h, 0, ch, &list, &n), 0);
    auto names = field_list(list);
    EXPECT_EQ(static_cast<int>(names.size()), n);
    return names;
}

std::vector<std::string> board_params(int h) {
    char* list = nullptr;
    EXPECT_EQ(ZEVAHV_GetBdParamInfo(h, 0, &list), 0);
    return field_list(list);
}

bool wait_until(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::string w40xx_model(int channels, const std::string& params, const std::string& extra) {
    return "kind w40xx\nmodel TEST\ndescription test board\nserial 7\nfirmware 0x0203\n"
           "channels " + std::to_string(channels) + "\n" + params + "\n" + extra + "\n";
}
