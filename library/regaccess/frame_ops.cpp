// The frame's operations tables of the two register-access families: each
// entry finds the open device of the connection (4098 when there is none)
// and hands it to the shared register engine.
#include "regaccess/operations.h"
#include "regaccess/rd40xx/rd40xx.h"
#include "regaccess/w40xx/w40xx.h"

namespace zevahv::regaccess {

namespace {

template <const RegFamily &F, auto Op>
struct OnDevice {
    template <typename... A>
    static int call(int conn, A... a) {
        Device *d = open_slot(F, conn);
        return d ? Op(*d, a...) : ZEVAHV_ERR_NOTCONNECTED;
    }
};

template <const RegFamily &F>
constexpr FamilyOps make_ops(bool with_board_writes, bool with_commands) {
    FamilyOps o{};
    o.open = [](const OpenRequest &req, int *conn) { return open_device(F, req, conn); };
    o.close = [](int conn) { return close_device(F, conn); };
    o.get_crate_map = OnDevice<F, get_crate_map>::call;
    o.get_bd_param_info = OnDevice<F, get_bd_param_info>::call;
    o.get_bd_param_prop = OnDevice<F, get_bd_param_prop>::call;
    o.get_ch_param_info = OnDevice<F, get_ch_param_info>::call;
    o.get_ch_param_prop = OnDevice<F, get_ch_param_prop>::call;
    o.get_ch_param = OnDevice<F, get_ch_param>::call;
    o.set_ch_param = OnDevice<F, set_ch_param>::call;
    o.get_ch_name = OnDevice<F, get_ch_name>::call;
    if (with_board_writes) {
        o.get_bd_param = OnDevice<F, get_bd_param>::call;
        o.set_bd_param = OnDevice<F, set_bd_param>::call;
    }
    if (with_commands) {
        o.get_exec_comm_list = OnDevice<F, get_exec_comm_list>::call;
        o.exec_comm = OnDevice<F, exec_comm>::call;
    }
    o.polls_locally = true;
    return o;
}

}  // namespace

}  // namespace zevahv::regaccess

namespace zevahv {

// W40XX boards have board parameters and commands; RD40XX units have
// neither (the frame gives their fixed answers).
extern const FamilyOps w40xx_ops = regaccess::make_ops<regaccess::w40xx::family>(true, true);
extern const FamilyOps rd40xx_ops = regaccess::make_ops<regaccess::rd40xx::family>(false, false);

}  // namespace zevahv
