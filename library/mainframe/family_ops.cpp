// The glue between the frame's operations table and the mainframe
// sessions: each generation's table row maps the backend connection index
// to its connection record and calls the operation written once in
// operations.h.  Everything the frame needs to know about the mainframes
// is here.
#include "frame/backend.h"
#include "mainframe/event_stream.h"
#include "mainframe/legacy/legacy_events.h"
#include "mainframe/operations.h"
#include "mainframe/session.h"

namespace zevahv {

namespace mf = mainframe;

namespace {

template <const mf::Generation &G>
struct Ops {
    static mf::Connection *conn(int index) { return mf::connection_at(G, index); }

    // Calls f(Connection &) for a live connection index, else 4098.
    template <typename F>
    static int on(int index, F &&f) {
        mf::Connection *c = conn(index);
        return c ? f(*c) : ZEVAHV_ERR_NOTCONNECTED;
    }

    static int open(const OpenRequest &req, int *index) {
        const int r = mf::login(G, {req.arg, req.user, req.password, req.lock_name, req.handle});
        if (r < 0) return r;
        *index = r;
        return ZEVAHV_OK;
    }
    static int close(int index) {
        return on(index, [](mf::Connection &c) { return mf::logout(c); });
    }
    static const char *get_error(int index) {
        mf::Connection *c = conn(index);
        return c ? c->error_text() : "";
    }

#define ZEVAHV_MF_FORWARD(name)                                          \
    template <typename... A>                                            \
    static int name(int index, A... a) {                                \
        return on(index, [&](mf::Connection &c) { return mf::name(c, a...); }); \
    }
    ZEVAHV_MF_FORWARD(get_crate_map)
    ZEVAHV_MF_FORWARD(test_bd_presence)
    ZEVAHV_MF_FORWARD(get_sys_prop_list)
    ZEVAHV_MF_FORWARD(get_sys_prop_info)
    ZEVAHV_MF_FORWARD(get_sys_prop)
    ZEVAHV_MF_FORWARD(set_sys_prop)
    ZEVAHV_MF_FORWARD(get_exec_comm_list)
    ZEVAHV_MF_FORWARD(exec_comm)
    ZEVAHV_MF_FORWARD(get_bd_param_info)
    ZEVAHV_MF_FORWARD(get_bd_param_prop)
    ZEVAHV_MF_FORWARD(get_bd_param)
    ZEVAHV_MF_FORWARD(set_bd_param)
    ZEVAHV_MF_FORWARD(get_ch_param_info)
    ZEVAHV_MF_FORWARD(get_ch_param_prop)
    ZEVAHV_MF_FORWARD(get_ch_param)
    ZEVAHV_MF_FORWARD(set_ch_param)
    ZEVAHV_MF_FORWARD(get_ch_name)
    ZEVAHV_MF_FORWARD(set_ch_name)
    ZEVAHV_MF_FORWARD(subscribe)
    ZEVAHV_MF_FORWARD(unsubscribe)
#undef ZEVAHV_MF_FORWARD

    static int read_event_frame(int index, int, int sock, ZEVAHV_SYSTEMSTATUS_t *status,
                                IDValue_t **events, unsigned *count) {
        return on(index, [&](mf::Connection &c) {
            return mf::read_event_frame(c, sock, status, events, count);
        });
    }

    static FamilyOps table(bool current) {
        FamilyOps t{};
        t.open = open;
        t.close = close;
        t.get_crate_map = get_crate_map;
        t.test_bd_presence = test_bd_presence;
        t.get_sys_prop_list = get_sys_prop_list;
        t.get_sys_prop_info = get_sys_prop_info;
        t.get_sys_prop = get_sys_prop;
        t.set_sys_prop = set_sys_prop;
        t.get_exec_comm_list = get_exec_comm_list;
        t.exec_comm = exec_comm;
        t.get_bd_param_info = get_bd_param_info;
        t.get_bd_param_prop = get_bd_param_prop;
        t.get_bd_param = get_bd_param;
        t.set_bd_param = set_bd_param;
        t.get_ch_param_info = get_ch_param_info;
        t.get_ch_param_prop = get_ch_param_prop;
        t.get_ch_param = get_ch_param;
        t.set_ch_param = set_ch_param;
        t.get_ch_name = get_ch_name;
        t.set_ch_name = set_ch_name;
        t.subscribe = subscribe;
        t.unsubscribe = unsubscribe;
        t.get_error = get_error;
        t.polls_locally = false;
        // Current mainframes stream frames to ZEVAHV_GetEventData; legacy
        // ones send messages that only the legacy reader takes.
        if (current) t.read_event_frame = read_event_frame;
        else t.read_legacy_event_frame = mf::read_legacy_event_message;
        return t;
    }
};

}  // namespace

extern const FamilyOps mainframe_ops;
extern const FamilyOps legacy_mainframe_ops;
const FamilyOps mainframe_ops = Ops<mf::kCurrentGeneration>::table(true);
const FamilyOps legacy_mainframe_ops = Ops<mf::kLegacyGeneration>::table(false);

}  // namespace zevahv
