#include "fake_family.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <thread>

#include "ZEVAHVLink.h"

using namespace zevahv;

FakeState &fake() {
    static FakeState s;
    return s;
}

namespace {

// The context of an open fake system: its connection number.  A deque
// keeps the numbers where they are while more are added.
std::deque<int> &contexts() {
    static std::deque<int> d;
    return d;
}

int fake_open(const OpenRequest &req, void **ctx) {
    FakeState &f = fake();
    std::lock_guard<std::mutex> lk(f.m);
    f.opens.push_back({req.system_type, req.family, req.link_type, req.handle,
                       req.transport ? req.transport : "", req.arg ? req.arg : "",
                       req.lock_name ? req.lock_name : ""});
    const int r = f.open_result.load();
    if (r == 0) *ctx = &contexts().emplace_back(f.next_conn.fetch_add(1));
    return r;
}

int fake_close(void *ctx) {
    std::lock_guard<std::mutex> lk(fake().m);
    fake().closed_conns.push_back(backend_context<int>(ctx));
    return fake().close_result.load();
}

struct Inside {
    Inside() {
        FakeState &f = fake();
        f.calls++;
        int now = ++f.inside;
        int seen = f.max_inside.load();
        while (now > seen && !f.max_inside.compare_exchange_weak(seen, now)) {}
    }
    ~Inside() { --fake().inside; }
};

int fake_get_ch_param(void *, unsigned short, const char *, unsigned short nch,
                      const unsigned short *chs, void *values) {
    Inside in;
    if (fake().in_call) fake().in_call();
    for (unsigned i = 0; i < nch; ++i) static_cast<float *>(values)[i] = chs[i] * 1.5f;
    return 0;
}

int fake_test_bd_presence(void *, unsigned short slot, unsigned short *nr_of_ch, char **model,
                          char **description, unsigned short *serial, unsigned char *fmw_min,
                          unsigned char *fmw_max) {
    if (slot != 0) return ZEVAHV_ERR_SLOTNOTPRES;
    std::strcpy(*model, "A1535");
    std::strcpy(*description, "24 Ch 3.5KV/3mA");
    *nr_of_ch = 24;
    *serial = 77;
    *fmw_min = 2;
    *fmw_max = 1;
    return 0;
}

int fake_get_sys_prop_list(void *, unsigned short *count, char **names) {
    static const char list[] = "ModelName\0SwRelease";
    *names = static_cast<char *>(std::malloc(sizeof list));
    std::memcpy(*names, list, sizeof list);
    *count = 2;
    return 0;
}

int record_subscription(unsigned short port, unsigned short count, const char *items,
                        char *results) {
    std::lock_guard<std::mutex> lk(fake().m);
    fake().last_items = items ? items : "<null>";
    fake().last_port = port;
    fake().last_count = count;
    for (unsigned i = 0; i < count; ++i) results[i] = (i % 2) ? char(-1) : 0;
    return 0;
}

int fake_subscribe(void *, unsigned short port, unsigned short count, const char *items,
                   char *results) {
    return record_subscription(port, count, items, results);
}

const char *fake_get_error(void *) { return fake().error_text.c_str(); }

int fake_read_event_frame(void *, int handle, int, ZEVAHV_SYSTEMSTATUS_t *status,
                          IDValue_t **events, unsigned *count) {
    std::memset(status, 0, sizeof *status);
    status->System = 1;
    *events = static_cast<IDValue_t *>(std::calloc(1, sizeof(IDValue_t)));
    (*events)->SystemHandle = handle;
    *count = 1;
    return 0;
}

FamilyOps full_ops() {
    FamilyOps o{};
    o.open = fake_open;
    o.close = fake_close;
    o.get_ch_param = fake_get_ch_param;
    o.test_bd_presence = fake_test_bd_presence;
    o.get_sys_prop_list = fake_get_sys_prop_list;
    o.subscribe = fake_subscribe;
    o.unsubscribe = fake_subscribe;
    o.get_error = fake_get_error;
    o.read_event_frame = fake_read_event_frame;
    return o;
}

FamilyOps bare_ops() {
    FamilyOps o{};
    o.open = fake_open;
    o.close = fake_close;
    return o;
}

}  // namespace

const FamilyOps kBareOps = bare_ops();
const FamilyOps kFullOps = full_ops();

FamilyTraits silent_traits() {
    FamilyTraits t = *family_traits(ZEVAHV_SYS_Q3815);
    t.events = EventSource::None;
    return t;
}
const FamilyTraits kSilentTraits = silent_traits();

int most_inside_at_once(int handle, int threads, int calls) {
    fake().in_call = [] { std::this_thread::yield(); };
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t) {
        running.emplace_back([handle, calls] {
            unsigned short ch = 0;
            float v;
            for (int i = 0; i < calls; ++i) ZEVAHV_GetChParam(handle, 0, "VMon", 1, &ch, &v);
        });
    }
    for (auto &t : running) t.join();
    fake().in_call = nullptr;
    return fake().max_inside.load();
}

void close_all_handles() {
    for (int h = 0; h < ZEVAHV_MAX_SYSTEMS; ++h) ZEVAHV_DeinitSystem(h);
}

FakeFamilies::FakeFamilies(std::initializer_list<int> families, const FamilyOps *ops) {
    close_all_handles();
    FakeState &f = fake();
    {
        std::lock_guard<std::mutex> lk(f.m);
        f.opens.clear();
        f.closed_conns.clear();
        f.last_items.clear();
        f.last_port = f.last_count = 0;
        f.error_text = "Timeout from server";
    }
    f.open_result = 0;
    f.close_result = 0;
    f.next_conn = 0;
    f.calls = 0;
    f.inside = 0;
    f.max_inside = 0;
    f.in_call = nullptr;
    for (int fam : families) add(fam, ops);
}

void FakeFamilies::add(int family, const FamilyOps *ops, const FamilyTraits *traits) {
    saved_.push_back({family, family_ops(family), family_traits(family)});
    register_family(family, ops, traits);
}

FakeFamilies::~FakeFamilies() {
    close_all_handles();
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
        register_family(it->family, it->ops, it->traits);
    fake().in_call = nullptr;
    std::lock_guard<std::mutex> lk(fake().m);
    contexts().clear();
}
