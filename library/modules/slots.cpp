// The slot tables of the module families, and opening and closing a slot:
// link (shared with other slots on the same line), identification, rows,
// polling thread.
#include <array>
#include <cstring>
#include <memory>
#include <mutex>

#include "modules/link.h"
#include "modules/protocol.h"
#include "modules/slots.h"

namespace zevahv::modules {

namespace {

struct Registry {
    std::mutex lock;
    std::array<const FamilyDesc *, 32> descs{};
    std::array<std::unique_ptr<Module[]>, 32> tables;
};

Registry &registry() {
    static Registry r;
    return r;
}

int standard_rows(Module &m) {
    const FamilyDesc &d = *m.desc;
    for (const Row &r : d.board_rows)
        if (add_board_row(m, r) < 0) return -1;
    std::span<const Row> table = d.hooks.channel_table ? d.hooks.channel_table(m) : d.channel_rows;
    for (const Row &r : table) {
        Row copy = r;
        if (d.hooks.fetch_limits && d.hooks.fetch_limits(m, copy) != 0) return -1;
        if (add_channel_row(m, copy) < 0) return -1;
        pause_ms(d.row_settle_ms);
    }
    return 0;
}

// The slot table of a family (created at its first open, one per
// descriptor).  Opens and closes are ordered by the frame's global gate;
// the lock covers the table of tables only.
Module *slot_table(const FamilyDesc &d) {
    Registry &r = registry();
    std::lock_guard<std::mutex> hold(r.lock);
    for (std::size_t i = 0; i < r.descs.size(); ++i) {
        if (r.descs[i] == &d) return r.tables[i].get();
        if (r.descs[i] == nullptr) {
            r.descs[i] = &d;
            r.tables[i] = std::make_unique<Module[]>(kMaxSlots);
            for (int k = 0; k < kMaxSlots; ++k) {
                r.tables[i][k].desc = &d;
                r.tables[i][k].index = k;
            }
            return r.tables[i].get();
        }
    }
    return nullptr;
}

}  // namespace

int standard_identify(Module &m) {
    const FamilyDesc &d = *m.desc;
    const IdentWords &w = d.ident;
    std::string text;
    if (monitor(m, w.model, -1, &text)) return -1;
    m.model = text.substr(0, 63);
    if (d.model_word && m.model.find(d.model_word) == std::string::npos) return -1;

    if (d.fixed_channels > 0) {
        m.channels = d.fixed_channels;
    } else {
        long n = 0;
        if (monitor(m, w.channels, -1, &text) || !parse_int(text, &n)) return -1;
        // A count we cannot hold is not a module we know.
        if (n < 1 || n > d.max_channels || n > kMaxChannels) return -1;
        m.channels = static_cast<int>(n);
    }

    if (monitor(m, w.release, -1, &text)) return -1;
    protocol::Release rel;
    if (!protocol::parse_release(text, w.release_points, &rel)) return -1;
    m.fw_major = static_cast<std::uint8_t>(rel.major);
    m.fw_minor = static_cast<std::uint8_t>(rel.minor);

    if (w.serial) {
        if (monitor(m, w.serial, -1, &text)) return -1;
        m.serial_number = static_cast<std::uint16_t>(leading_decimal(text));
    }
    return 0;
}

void clear_slot(Module &m) {
    m.in_use = false;
    m.args = LinkArgs{};
    m.link.reset();
    m.model.clear();
    m.channels = 0;
    m.fw_major = m.fw_minor = 0;
    m.serial_number = 0;
    m.family_flags = 0;
    m.rows.clear();
    m.board_row_count = 0;
    m.channel_rows.clear();
    for (auto &r : m.range_low) r.store(0, std::memory_order_relaxed);
}

namespace engine {

int open(const FamilyDesc &d, const OpenRequest &req, void **ctx) {
    if (!ctx || !req.arg || !req.transport || !d.dialect) return -1;
    try {
        LinkArgs args;
        std::string_view transport = req.transport;
        if (transport == "TCP/IP") {
            if (!d.tcp_allowed ||
                !parse_tcp_arg(req.arg, d.arg_form, d.default_board, d.tcp_port, &args))
                return -1;
        } else if (transport == "USBVCP") {
            if (!d.serial_allowed ||
                !parse_serial_arg(req.arg, d.arg_form, d.default_board, &args))
                return -1;
        } else {
            return -1;
        }
        if (!d.dialect->valid_board(args.board)) return -1;

        Module *table = slot_table(d);
        if (!table) return -1;
        const int slots =
            std::min(req.traits ? req.traits->max_systems : kMaxSlots, kMaxSlots);
        Module *m = nullptr;
        for (int i = 0; i < slots && !m; ++i)
            if (!table[i].in_use) m = &table[i];
        if (!m) return -1;

        // Modules on one daisy-chained line, or behind one address, share
        // the link (and with it the link lock).
        const std::string key = Link::key_of(args);
        std::shared_ptr<Link> link;
        for (int i = 0; i < slots && !link; ++i)
            if (table[i].in_use && table[i].link && table[i].link->key() == key)
                link = table[i].link;
        bool fresh = false;
        if (!link) {
            link = Link::open(args);
            if (!link) return -1;
            fresh = true;
        }
        clear_slot(*m);
        m->args = std::move(args);
        m->link = std::move(link);
        if (fresh && !m->args.serial) pause_ms(d.tcp_settle_ms);

        int rc = d.hooks.identify ? d.hooks.identify(*m) : standard_identify(*m);
        if (rc == 0) {
            m->channels = std::min(m->channels, kMaxChannels);
            m->channel_rows.assign(static_cast<std::size_t>(m->channels), {});
            rc = d.hooks.build_rows ? d.hooks.build_rows(*m) : standard_rows(*m);
        }
        if (rc == 0 && d.hooks.after_rows) rc = d.hooks.after_rows(*m);
        if (rc != 0 || !start_polling(*m)) {
            clear_slot(*m);
            return -1;
        }
        m->in_use = true;
        *ctx = m;
        return 0;
    } catch (...) {
        return -1;
    }
}

int close(void *ctx) {
    Module &m = module_of(ctx);
    m.poll.stop();
    m.in_use = false;
    clear_slot(m);  // drops this slot's hold on the link; the last one closes it
    return 0;
}

}  // namespace engine

}  // namespace zevahv::modules
