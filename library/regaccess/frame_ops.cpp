// The frame's operations tables of the two register-access families: the
// system's backend context is its Device, handed to the shared register
// engine.
#include "regaccess/operations.h"
#include "regaccess/rd40xx/rd40xx.h"
#include "regaccess/w40xx/w40xx.h"

namespace zevahv::regaccess {

namespace {

template <auto Op>
struct OnDevice {
    template <typename... A>
    static int call(void *ctx, A... a) {
        return Op(backend_context<Device>(ctx), a...);
    }
};

template <const RegFamily &F>
constexpr FamilyOps make_ops(bool with_board_parameters, bool with_commands) {
    FamilyOps o{};
    o.open = [](const OpenRequest &req, void **ctx) {
        Device *d = nullptr;
        const int r = open_device(F, req, &d);
        if (r == 0) *ctx = d;
        return r;
    };
    o.close = [](void *ctx) {
        close_device(static_cast<Device *>(ctx));
        return 0;
    };
    o.get_crate_map = OnDevice<get_crate_map>::call;
    o.get_bd_param_info = OnDevice<get_bd_param_info>::call;
    o.get_bd_param_prop = OnDevice<get_bd_param_prop>::call;
    o.get_ch_param_info = OnDevice<get_ch_param_info>::call;
    o.get_ch_param_prop = OnDevice<get_ch_param_prop>::call;
    o.get_ch_param = OnDevice<get_ch_param>::call;
    o.set_ch_param = OnDevice<set_ch_param>::call;
    o.get_ch_name = OnDevice<get_ch_name>::call;
    o.subscribe = [](void *ctx, unsigned short port, unsigned short count, const char *items,
                     char *results) {
        return backend_context<Device>(ctx).poll.subscribe(port, count, items, results);
    };
    o.unsubscribe = [](void *ctx, unsigned short, unsigned short count, const char *items,
                       char *results) {
        return backend_context<Device>(ctx).poll.unsubscribe(count, items, results);
    };
    if (with_board_parameters) {
        o.get_bd_param = OnDevice<get_bd_param>::call;
        o.set_bd_param = OnDevice<set_bd_param>::call;
    }
    if (with_commands) {
        o.get_exec_comm_list = OnDevice<get_exec_comm_list>::call;
        o.exec_comm = OnDevice<exec_comm>::call;
    }
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
