#pragma once
// What the register-access tests share: opening systems on the stand-in,
// reading and writing one channel's value, parameter lists, and waiting for
// a condition.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "ZEVAHVLink.h"
#include "comm_stand_in.h"
#include "crate_map.h"

// An open system, closed at the end of the scope.
class System {
public:
    System(int type, int link, const std::string& arg);
    ~System();
    System(const System&) = delete;
    System& operator=(const System&) = delete;
    int result() const { return result_; }  // of the open
    int handle() const { return handle_; }
    void close();

private:
    int result_;
    int handle_ = -1;
};

// A W40XX board on the USB link (link 0, node 0) at a base address.
std::string w40xx_arg(unsigned base = 0x32100000);

float get_float(int h, const char* par, unsigned short ch, int* result = nullptr);
unsigned get_unsigned(int h, const char* par, unsigned short ch, int* result = nullptr);
int set_float(int h, const char* par, unsigned short ch, float v);
int set_unsigned(int h, const char* par, unsigned short ch, unsigned v);
float get_board_float(int h, const char* par, int* result = nullptr);
unsigned get_board_unsigned(int h, const char* par, int* result = nullptr);


std::vector<std::string> channel_params(int h, unsigned short ch);
std::vector<std::string> board_params(int h);

template <typename T>
T property(int h, unsigned short ch, const char* par, const char* prop, int* result = nullptr) {
    T v{};
    const int r = ZEVAHV_GetChParamProp(h, 0, ch, par, prop, &v);
    if (result) *result = r;
    return v;
}

// Waits until pred holds, at most timeout; true when it did.
bool wait_until(const std::function<bool()>& pred,
                std::chrono::milliseconds timeout = std::chrono::seconds(10));

// A W40XX model with the given parameter lines (and channels).
std::string w40xx_model(int channels, const std::string& params, const std::string& extra = "");
