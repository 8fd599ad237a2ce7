// A mainframe's event frames: the 45-byte header and its items, decoded
// against a small crate with subscribed items of every level.  Also read
// through a real socket by the reader ZEVAHV_GetEventData uses, which must
// never take more bytes than the frames announce.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

#include "fuzz_check.h"
#include "mainframe/event_frame.h"
#include "mainframe/event_stream.h"

using namespace zevahv::mainframe;

namespace {

struct Crate {
    Connection conn;
    SystemDescription d;
    Crate() {
        ParamDescriptor vmon;
        std::strcpy(vmon.name, "VMon");
        vmon.decimals = 1;
        vmon.scale = 10;
        ParamDescriptor st;
        std::strcpy(st.name, "Status");
        st.type = 2;
        d.descriptors = {vmon, st};
        BoardDescription b;
        b.slot = 1;
        b.params = {1};
        b.channels.resize(2);
        b.channels[0].params = {0, 1};
        d.boards = {b};
        conn.items.reset("S", 3);
        add((1u << 24) | (0u << 8) | 0, ItemLevel::Channel, 1, 0, "VMon");
        add((1u << 24) | (0u << 8) | 1, ItemLevel::Channel, 1, 0, "Status");
        add((1u << 24) | (0xFFFFu << 8) | 0, ItemLevel::Board, 1, 0, "Status");
        add((2u << 24) | (1u << 8) | 0, ItemLevel::Channel, 2, 1, "VMon");  // board gone
        add((30u << 24) | 2, ItemLevel::System, 0, 0, "CPULoad");
        conn.set_description(std::make_shared<SystemDescription>(d));
    }
    void add(std::uint32_t id, ItemLevel level, unsigned board, unsigned ch, const char *name) {
        SubscribedItem s;
        s.id = id;
        s.level = level;
        s.board = static_cast<std::uint16_t>(board);
        s.channel = static_cast<std::uint16_t>(ch);
        std::strcpy(s.name, name);
        conn.items.add(s);
    }
};

Crate &crate() {
    static Crate c;
    return c;
}

void check_records(const IDValue_t *r, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        FUZZ_CHECK(std::memchr(r[i].Item, 0, sizeof r[i].Item) != nullptr);
        FUZZ_CHECK(r[i].SystemHandle == 3);
        FUZZ_CHECK(r[i].BoardIndex >= -1 && r[i].BoardIndex < 254);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size > (1u << 16)) size = 1u << 16;
    Crate &c = crate();
    FrameHeader h;
    if (parse_frame_header(Bytes(data, size), &h) == 0 && size > kFrameHeaderSize) {
        const Bytes body(data + kFrameHeaderSize, std::min<std::size_t>(h.body_size, size - kFrameHeaderSize));
        // The reader never sizes the records beyond what the body can hold.
        const std::uint32_t n = std::min<std::uint32_t>(h.items, static_cast<std::uint32_t>(body.size() / 8));
        std::vector<IDValue_t> out(std::max<std::uint32_t>(n, 1));
        std::memset(out.data(), 0, out.size() * sizeof(IDValue_t));
        std::size_t made = 0;
        const int r = c.conn.items.with_items([&](const ItemRegistry::Map &items, int handle) {
            return decode_frame_items(body, n, &c.d, items, handle, out.data(), &made);
        });
        if (r == 0) {
            FUZZ_CHECK(made >= 1 && made <= out.size());
            check_records(out.data(), made);
        }
    }

    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) return 0;
    int big = 1 << 18;
    ::setsockopt(sv[1], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(sv[1], data + sent, size - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    ::close(sv[1]);
    for (int frames = 0; frames < 100; ++frames) {
        ZEVAHV_SYSTEMSTATUS_t st;
        IDValue_t *ev = nullptr;
        unsigned n = 0;
        const int r = read_event_frame(c.conn, sv[0], &st, &ev, &n);
        if (r != 0) {
            FUZZ_CHECK(ev == nullptr && n == 0);
            break;
        }
        FUZZ_CHECK((ev == nullptr) == (n == 0));
        check_records(ev, n);
        std::free(ev);
    }
    ::close(sv[0]);
    return 0;
}
