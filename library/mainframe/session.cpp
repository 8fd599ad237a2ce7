#include "mainframe/session.h"

#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <mutex>
#include <new>

#include "ZEVAHVLink.h"

namespace zevahv::mainframe {

namespace {

struct Table {
    std::array<Connection, kConnectionRecords> records;
    std::array<bool, kConnectionRecords> in_use{};
    // The host each record is logged in to, for matching event senders.
    std::array<std::string, kConnectionRecords> hosts;
};

Table &table_of(const Generation &g) {
    static Table current, legacy;
    return &g == &kLegacyGeneration ? legacy : current;
}

std::mutex &tables_mutex() {
    static std::mutex m;
    return m;
}

std::atomic<int> g_logins{0};

std::mutex &login_text_mutex() {
    static std::mutex m;
    return m;
}
std::string g_login_text;

void set_login_text(const char *text) {
    std::lock_guard<std::mutex> lk(login_text_mutex());
    g_login_text = text;
}

int claim_record(const Generation &g, const std::string &host) {
    std::lock_guard<std::mutex> lk(tables_mutex());
    Table &t = table_of(g);
    for (int i = 0; i < kConnectionRecords; ++i) {
        if (!t.in_use[i]) {
            t.in_use[i] = true;
            t.hosts[i] = host;
            return i;
        }
    }
    return -1;
}

void release_record(const Generation &g, int index) {
    std::lock_guard<std::mutex> lk(tables_mutex());
    table_of(g).in_use[index] = false;
    table_of(g).hosts[index].clear();
}

// Ends a login that went wrong after the record was claimed.
int give_up(Connection &c, int code) {
    set_login_text(c.error_text());
    c.disconnect();
    c.set_description(nullptr);
    c.items.clear();
    release_record(*c.generation, c.index);
    return code;
}

}  // namespace

Connection *connection_at(const Generation &g, int index) {
    if (index < 0 || index >= kConnectionRecords) return nullptr;
    return &table_of(g).records[index];
}

bool split_address(std::string_view text, std::string *host, unsigned short *port) {
    std::string_view h = text;
    unsigned long p = kMainframePort;
    if (const auto colon = text.find(':'); colon != std::string_view::npos) {
        h = text.substr(0, colon);
        const std::string_view digits = text.substr(colon + 1);
        if (digits.empty() || digits.size() > 5) return false;
        p = 0;
        for (char ch : digits) {
            if (ch < '0' || ch > '9') return false;
            p = p * 10 + static_cast<unsigned long>(ch - '0');
        }
        if (p == 0 || p > 65535) return false;
    }
    in_addr a{};
    std::string hs(h);
    if (hs.empty() || inet_pton(AF_INET, hs.c_str(), &a) != 1) return false;
    *host = std::move(hs);
    *port = static_cast<unsigned short>(p);
    return true;
}

int login(const Generation &g, const LoginRequest &req) {
    std::string_view address = req.arg ? req.arg : "";
    if (g.address_after_model) {
        const auto colon = address.find(':');
        address = colon == std::string_view::npos ? std::string_view{} : address.substr(colon + 1);
    }
    std::string host;
    unsigned short port = 0;
    // The legacy mainframes are reached on their fixed port only.
    if (!split_address(address, &host, &port) ||
        (!g.address_after_model && address.find(':') != std::string_view::npos)) {
        set_login_text("Invalid address");
        return -1;
    }

    const int index = claim_record(g, host);
    if (index < 0) {
        set_login_text("No free connection");
        return -1;
    }
    Connection &c = *connection_at(g, index);
    c.generation = &g;
    c.index = index;
    c.session = 0;
    c.name = req.system_name ? req.system_name : "";
    if (c.connect(host, port) != ZEVAHV_OK) return give_up(c, -1);

    const Command *cmd = c.command(g.login_command);
    Request r = c.request(*cmd, true);
    r.text(req.user ? req.user : "").sep().secret(req.password ? req.password : "");
    Reply reply;
    if (c.transact(*cmd, r, &reply) != ZEVAHV_OK) return give_up(c, -2);
    Cursor in(reply.data());
    c.session = in.u32();
    if (!in.ok()) {
        c.fail(kReplyMismatch, kTextMismatch);
        return give_up(c, -2);
    }
    try {
        c.items.reset(req.system_name ? req.system_name : "", req.handle);
    } catch (const std::bad_alloc &) {
        c.fail(ZEVAHV_ERR_NOMEMORY, g.no_item_store_text);
        return give_up(c, -2);
    }
    if (read_description(c) != ZEVAHV_OK) return give_up(c, -1);
    ++g_logins;
    return index;
}

int logout(Connection &c) {
    Reply reply;
    const int r = c.simple("LOGOUT", &reply);
    --g_logins;
    // The session is over either way; a failed logout must not keep the
    // socket or the description alive.
    c.disconnect();
    c.set_description(nullptr);
    c.items.clear();
    release_record(*c.generation, c.index);
    return r;
}

int read_description(Connection &c) {
    // The old description goes first: a failed read leaves none rather
    // than one that may no longer match the crate.
    c.set_description(nullptr);
    Reply reply;
    // Asked without arguments: no ':' after the session number.
    if (int r = c.simple("GETSYSINFO", &reply); r != ZEVAHV_OK) return r;
    try {
        auto d = std::make_shared<SystemDescription>();
        if (!parse_system_info(reply.data(), d.get())) return c.fail(kReplyMismatch, kTextMismatch);
        c.set_description(std::move(d));
    } catch (const std::bad_alloc &) {
        c.set_description(nullptr);
        return c.fail(ZEVAHV_ERR_NOMEMORY, "User Memory not sufficient:Please MAKE LOGOUT");
    }
    return ZEVAHV_OK;
}

Connection *find_by_host(const Generation &g, std::string_view host) {
    std::lock_guard<std::mutex> lk(tables_mutex());
    Table &t = table_of(g);
    for (int i = 0; i < kConnectionRecords; ++i)
        if (t.in_use[i] && t.hosts[i] == host) return &t.records[i];
    return nullptr;
}

int login_count() { return g_logins.load(); }

std::string last_login_error() {
    std::lock_guard<std::mutex> lk(login_text_mutex());
    return g_login_text;
}

}  // namespace zevahv::mainframe
