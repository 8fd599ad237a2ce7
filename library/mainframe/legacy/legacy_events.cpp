#include "mainframe/legacy/legacy_events.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <netinet/in.h>
#include <sys/socket.h>

#include "mainframe/convert.h"
#include "mainframe/event_stream.h"
#include "mainframe/generation.h"
#include "mainframe/session.h"
#include "platform/tcp.h"
#include "trace/trace.h"

namespace zevahv::mainframe {

namespace {

void put_record(const SubscribedItem &s, const LegacyEvent &e, unsigned char *r) {
    std::memset(r, 0, kLegacyRecordSize);
    r[0] = static_cast<unsigned char>(s.level);
    const std::size_t n = std::min(s.full_name.size(), kLegacyNameSize - 1);
    std::memcpy(r + kLegacyNameOffset, s.full_name.data(), n);
    if (e.text) {
        const std::size_t t = std::min(e.text_value.size(), kLegacyTextSize - 1);
        std::memcpy(r + kLegacyTextOffset, e.text_value.data(), t);
        return;
    }
    // Numbers of numeric parameters are converted as a read would; notices
    // and every other kind keep the raw number.
    if (s.descriptor && s.descriptor->type == 0) {
        const float f = raw_to_value(*s.descriptor, e.number);
        std::memcpy(r + kLegacyNumberOffset, &f, sizeof f);
    } else {
        std::memcpy(r + kLegacyNumberOffset, &e.number, sizeof e.number);
    }
}

}  // namespace

void decode_legacy_events(const std::vector<LegacyEvent> &events,
                          const ItemRegistry::Map &items, std::vector<unsigned char> *out) {
    for (const LegacyEvent &e : events) {
        const auto it = items.find(e.id);
        if (it == items.end()) continue;
        const std::size_t at = out->size();
        out->resize(at + kLegacyRecordSize);
        put_record(it->second, e, out->data() + at);
    }
}

int read_legacy_event_message(Connection *conn, int sock, char **events, int *count) {
    *events = nullptr;
    *count = 0;
    const int w = platform::wait_readable(sock, kFrameWaitMs);
    if (w == 0) return ZEVAHV_ERR_NODATA;
    if (w < 0) return ZEVAHV_ERR_SOCKETERROR;
    unsigned char buf[kLegacyMaxMessage];
    sockaddr_in from{};
    socklen_t from_len = sizeof from;
    ssize_t got;
    do {
        got = ::recvfrom(sock, buf, sizeof buf, MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&from),
                         &from_len);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return errno == EAGAIN ? ZEVAHV_ERR_NODATA : ZEVAHV_ERR_SOCKETERROR;

    // A stream socket has no sender per message: its peer is the sender.
    bool sender_known = true;
    if (from_len < sizeof(sockaddr_in) || from.sin_family != AF_INET) {
        from_len = sizeof from;
        sender_known = ::getpeername(sock, reinterpret_cast<sockaddr *>(&from), &from_len) == 0 &&
                       from.sin_family == AF_INET;
    }
    char host[INET_ADDRSTRLEN] = {};
    if (sender_known) inet_ntop(AF_INET, &from.sin_addr, host, sizeof host);

    std::vector<LegacyEvent> parsed;
    const int r = parse_legacy_message({buf, static_cast<std::size_t>(got)}, &parsed);
    trace::binary(host, "legacy", trace::Dir::In, buf, static_cast<std::size_t>(got), r);
    if (r != ZEVAHV_OK) return r;
    if (!sender_known) return ZEVAHV_ERR_NODATA;
    Connection *c = find_by_host(kLegacyGeneration, host);
    // Only the mainframe the socket was read for may speak for it.
    if (c == nullptr || (conn != nullptr && c != conn)) return ZEVAHV_ERR_NODATA;

    std::vector<unsigned char> records;
    try {
        c->items.with_items([&](const ItemRegistry::Map &items, int) {
            decode_legacy_events(parsed, items, &records);
            return 0;
        });
    } catch (const std::bad_alloc &) {
        return ZEVAHV_ERR_NOMEMORY;
    }
    if (records.empty()) return ZEVAHV_ERR_NODATA;
    char *out = static_cast<char *>(std::malloc(records.size()));
    if (out == nullptr) return ZEVAHV_ERR_NOMEMORY;
    std::memcpy(out, records.data(), records.size());
    *events = out;
    *count = static_cast<int>(records.size() / kLegacyRecordSize);
    return ZEVAHV_OK;
}

}  // namespace zevahv::mainframe
