// The polling thread of an open module slot, and the subscriptions it
// serves.  Modules push nothing: about twice a second the thread reads every
// subscribed board row (one command each) and every subscribed channel row
// (one command for all channels at once), and sends one event frame to the
// client's port on this host.
#include <chrono>
#include <cstring>

#include "modules/event_items.h"
#include "modules/protocol.h"
#include "modules/slots.h"
#include "platform/tcp.h"

namespace zevahv::modules {

namespace {

constexpr int kCycleMs = 500;
constexpr int kEventConnectMs = 2000;

// Sleeps one cycle pause, or less when close asks the thread to stop.
// Returns false when the thread must stop.
bool pause_cycle(PollState &p) {
    std::unique_lock<std::mutex> hold(p.sys_lock);
    p.wake.wait_for(hold, std::chrono::milliseconds(kCycleMs), [&] { return p.stop; });
    return !p.stop;
}

bool stop_requested(PollState &p) {
    std::lock_guard<std::mutex> hold(p.sys_lock);
    return p.stop;
}

void add_record(std::vector<IDValue_t> &out, const Module &m, const Row &row, int channel,
                const Value &v) {
    out.emplace_back();
    const void *bytes = nullptr;
    std::size_t len = 0;
    switch (v.type) {
    case kNumeric:
        bytes = &v.f, len = 4;
        break;
    case kText:
        bytes = v.text.c_str(), len = v.text.size() + 1;
        break;
    case kCommand:
        break;
    default:
        bytes = &v.u, len = 4;
        break;
    }
    // The record's first field tells the reader how to copy the value.
    fill_record(&out.back(), static_cast<int>(v.type), m.index, 0, channel, row.name, bytes,
                len);
}

// One all-channels read of a channel row; records for the channels in mask.
void poll_channel_row(Module &m, const Row &row, std::uint32_t mask, std::size_t limit,
                      std::vector<IDValue_t> &out) {
    std::string text;
    if (monitor(m, read_mnemonic(m, row), m.channels, &text)) return;
    auto parts = protocol::split_values(text, static_cast<std::size_t>(m.channels));
    for (int ch = 0; ch < static_cast<int>(parts.size()) && out.size() < limit; ++ch) {
        if (!(mask & (1u << ch))) continue;
        Value v;
        if (!convert_value(m, row, ch, parts[ch], &v)) continue;
        add_record(out, m, row, ch, v);
    }
}

void cycle(Module &m) {
    PollState &p = m.poll;
    unsigned count;
    std::vector<std::uint32_t> flags;
    int sock;
    {
        std::lock_guard<std::mutex> hold(p.sys_lock);
        count = p.count;
        flags = p.flags;
        sock = p.event_socket;
        if (count == 0 && p.event_socket >= 0) {
            // Nobody listens any more: the connection goes with the last item.
            platform::close_socket(p.event_socket);
            p.event_socket = -1;
        }
    }
    if (count == 0 || sock < 0) return;

    std::vector<IDValue_t> records;
    records.reserve(count);
    for (std::size_t r = 0; r < flags.size() && r < m.rows.size() && records.size() < count;
         ++r) {
        if (!flags[r]) continue;
        if (stop_requested(p)) return;
        const Row &row = m.rows[r];
        if (m.is_board_row(static_cast<int>(r))) {
            Value v;
            if (read_value(m, row, -1, &v) == 0) add_record(records, m, row, -1, v);
        } else {
            poll_channel_row(m, row, flags[r], count, records);
        }
    }
    if (records.empty()) return;

    std::string frame = build_frame(records);
    long sent = platform::send_all(sock, frame.data(), frame.size());
    if (sent != static_cast<long>(frame.size())) {
        // The client has gone: drop the connection, so that its next
        // subscribe connects afresh; polling goes on.
        std::lock_guard<std::mutex> hold(p.sys_lock);
        if (p.event_socket == sock) {
            platform::close_socket(p.event_socket);
            p.event_socket = -1;
        }
    }
}

void thread_main(Module *m) {
    PollState &p = m->poll;
    {
        std::lock_guard<std::mutex> hold(p.sys_lock);
        p.count = 0;
        std::fill(p.flags.begin(), p.flags.end(), 0);
    }
    p.started.set();
    for (;;) {
        try {
            cycle(*m);
        } catch (...) {
            // Out of memory in one cycle: try again in the next.
        }
        if (!pause_cycle(p)) break;
    }
    {
        std::lock_guard<std::mutex> hold(p.sys_lock);
        p.count = 0;
    }
    p.started.set();
}

// Parses the list and applies one item at a time; returns 26 on a count
// mismatch, else 0 and sets *added (subscribe) or *removed (unsubscribe).
struct Change {
    std::size_t row;
    std::uint32_t bit;
};

int apply_items(Module &m, unsigned short count, const char *items, char *results,
                bool subscribe, std::vector<Change> *changed) {
    auto list = split_items(items);
    if (list.size() != count) return ZEVAHV_ERR_INVALIDPARAMETER;
    for (std::size_t k = 0; k < list.size(); ++k) {
        ItemRef ref = parse_item(list[k]);
        if (ref.kind == ItemRef::System) continue;  // not ours; status untouched
        int row = -1;
        std::uint32_t bit = 1;
        if (ref.kind == ItemRef::Board) {
            row = m.find_row(ref.name);
            if (row >= 0 && !m.is_board_row(row)) row = -1;
        } else if (ref.kind == ItemRef::Channel && ref.channel < m.channels) {
            row = m.find_row(ref.name);
            if (row >= 0 && !m.row_on_channel(row, ref.channel)) row = -1;
            bit = 1u << ref.channel;
        }
        if (row < 0 || !row_readable(m.rows[row])) {
            results[k] = static_cast<char>(-1);
            continue;
        }
        results[k] = 0;
        std::lock_guard<std::mutex> hold(m.poll.sys_lock);
        std::uint32_t &f = m.poll.flags[row];
        if (subscribe && !(f & bit)) {
            f |= bit;
            changed->push_back({static_cast<std::size_t>(row), bit});
        } else if (!subscribe && (f & bit)) {
            f &= ~bit;
            changed->push_back({static_cast<std::size_t>(row), bit});
        }
    }
    return 0;
}

}  // namespace

bool start_polling(Module &m) {
    try {
        m.poll.started.reset();
        m.poll.thread = std::thread(thread_main, &m);
    } catch (...) {
        return false;
    }
    m.poll.started.wait();
    return true;
}

void stop_polling(Module &m) {
    {
        std::lock_guard<std::mutex> hold(m.poll.sys_lock);
        m.poll.stop = true;
    }
    m.poll.wake.notify_all();
    if (m.poll.thread.joinable()) m.poll.thread.join();
    std::lock_guard<std::mutex> hold(m.poll.sys_lock);
    if (m.poll.event_socket >= 0) platform::close_socket(m.poll.event_socket);
    m.poll.event_socket = -1;
}

namespace engine {

int subscribe(void *ctx, unsigned short port, unsigned short count,
              const char *items, char *results) {
    Module &m = module_of(ctx);
    if (count == 0) return 0;
    try {
        std::vector<Change> added;
        if (int rc = apply_items(m, count, items, results, true, &added)) return rc;
        PollState &p = m.poll;
        std::lock_guard<std::mutex> hold(p.sys_lock);
        if (p.event_socket < 0) {
            int s = platform::tcp_connect("127.0.0.1", port, kEventConnectMs, true);
            bool ok = s >= 0;
            if (ok) {
                long n = platform::send_all(s, p.ident.c_str(), p.ident.size() + 1);
                ok = n == static_cast<long>(p.ident.size() + 1);
                if (!ok) platform::close_socket(s);
            }
            if (!ok) {
                // Nothing this call set may stay set without being counted.
                for (const Change &c : added) p.flags[c.row] &= ~c.bit;
                return ZEVAHV_ERR_SOCKETERROR;
            }
            p.event_socket = s;
        }
        p.count += static_cast<unsigned>(added.size());
        return 0;
    } catch (...) {
        return ZEVAHV_ERR_NOMEMORY;
    }
}

int unsubscribe(void *ctx, unsigned short /*port*/, unsigned short count,
                const char *items, char *results) {
    Module &m = module_of(ctx);
    if (count == 0) return 0;
    try {
        std::vector<Change> removed;
        if (int rc = apply_items(m, count, items, results, false, &removed)) return rc;
        std::lock_guard<std::mutex> hold(m.poll.sys_lock);
        unsigned n = static_cast<unsigned>(removed.size());
        m.poll.count = m.poll.count > n ? m.poll.count - n : 0;
        return 0;
    } catch (...) {
        return ZEVAHV_ERR_NOMEMORY;
    }
}

}  // namespace engine

}  // namespace zevahv::modules
