// The glue between the frame's operations tables and the mainframe
// sessions: each generation's table hands the connection record that its
// open made (the backend context) to the operation written once in
// operations.h.  Everything the frame needs of the mainframes is here.
#include <cstring>

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
    static mf::Connection &conn(void *ctx) { return backend_context<mf::Connection>(ctx); }

    static int open(const OpenRequest &req, void **ctx) {
        const int r = mf::login(G, {req.arg, req.user, req.password, req.lock_name, req.handle});
        if (r < 0) return r;
        *ctx = mf::connection_at(G, r);
        return ZEVAHV_OK;
    }
    static int close(void *ctx) { return mf::logout(conn(ctx)); }
    // The frame reads the text under the connection gate; the copy handed
    // out belongs to the calling thread, so another thread's next request
    // cannot rewrite it while the caller reads it.
    static const char *get_error(void *ctx) {
        thread_local char text[mf::kErrorTextSize];
        std::memcpy(text, conn(ctx).error_text(), sizeof text);
        text[sizeof text - 1] = '\0';
        return text;
    }

#define ZEVAHV_MF_FORWARD(name)                                             \
    template <typename... A>                                               \
    static int name(void *ctx, A... a) { return mf::name(conn(ctx), a...); }
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

    static int read_event_frame(void *ctx, int, int sock, ZEVAHV_SYSTEMSTATUS_t *status,
                                IDValue_t **events, unsigned *count) {
        return mf::read_event_frame(conn(ctx), sock, status, events, count);
    }
    static int read_legacy(void *ctx, int, int sock, char **events, int *count) {
        return mf::read_legacy_event_message(static_cast<mf::Connection *>(ctx), sock, events,
                                             count);
    }

    static FamilyOps table() {
        FamilyOps t;
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
        // Current mainframes stream frames to ZEVAHV_GetEventData; legacy
        // ones send messages that only the legacy reader takes.
        if (&G == &mf::kCurrentGeneration) t.read_event_frame = read_event_frame;
        else t.read_legacy_event_frame = read_legacy;
        return t;
    }
};

}  // namespace

extern const FamilyOps mainframe_ops;
extern const FamilyOps legacy_mainframe_ops;
const FamilyOps mainframe_ops = Ops<mf::kCurrentGeneration>::table();
const FamilyOps legacy_mainframe_ops = Ops<mf::kLegacyGeneration>::table();

}  // namespace zevahv
