// What the module engine feeds its devices' polling services (polling/):
// which row an item name subscribes, and how a cycle reads the subscribed
// items: one command per board row, one command for all channels of a
// channel row however many of its channels are subscribed.
#include "modules/protocol.h"
#include "modules/slots.h"

namespace zevahv::modules {

namespace {

void add_record(polling::Records &out, const Module &m, const Row &row, int channel,
                const Value &v) {
    // The record's first field tells the reader how to copy the value.
    const polling::RecordPlace at{.system = m.index, .board = 0, .channel = channel,
                                  .item = row.name};
    const int type = static_cast<int>(v.type);
    switch (v.type) {
    case kNumeric: out.add_float(at, type, v.f); break;
    case kText: out.add_text(at, v.text); break;
    case kCommand: out.add(at, type, nullptr, 0); break;
    default: out.add_uint(at, type, v.u); break;
    }
}

// One all-channels read of a channel row; records for the listed channels.
void read_channel_row(Module &m, const Row &row, std::span<const polling::Item> items,
                      polling::Records &out) {
    std::string text;
    if (monitor(m, read_mnemonic(m, row), m.channels, &text)) return;
    const auto parts = split_fields(text, ';', static_cast<std::size_t>(m.channels));
    for (const polling::Item &item : items) {
        if (item.channel < 0 || item.channel >= static_cast<int>(parts.size())) continue;
        Value v;
        if (convert_value(m, row, item.channel, parts[item.channel], &v))
            add_record(out, m, row, item.channel, v);
    }
}

bool resolve(void *device, const polling::ItemName &name, polling::Item *out) {
    const Module &m = *static_cast<const Module *>(device);
    int row = -1;
    if (name.kind == polling::ItemName::Board) {
        row = m.find_board_row(name.name);
        out->channel = -1;
    } else if (name.kind == polling::ItemName::Channel && name.channel < m.channels) {
        row = m.find_channel_row(name.name, name.channel);
        out->channel = name.channel;
    }
    if (row < 0 || !row_readable(m.rows[row])) return false;
    out->row = row;
    return true;
}

void read(void *device, std::span<const polling::Item> items, bool /*changed*/,
          polling::Records &out) {
    Module &m = *static_cast<Module *>(device);
    std::size_t i = 0;
    while (i < items.size() && !out.stopping()) {
        const Row &row = m.rows[static_cast<std::size_t>(items[i].row)];
        if (items[i].channel < 0) {
            Value v;
            if (read_value(m, row, -1, &v) == 0) add_record(out, m, row, -1, v);
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < items.size() && items[end].row == items[i].row) ++end;
        read_channel_row(m, row, items.subspan(i, end - i), out);
        i = end;
    }
}

constexpr polling::Feed kFeed = {.resolve = resolve, .read = read};

}  // namespace

bool start_polling(Module &m) { return m.poll.start(kFeed, &m, event_ident(m)); }

namespace engine {

int subscribe(void *ctx, unsigned short port, unsigned short count, const char *items,
              char *results) {
    return module_of(ctx).poll.subscribe(port, count, items, results);
}

int unsubscribe(void *ctx, unsigned short /*port*/, unsigned short count, const char *items,
                char *results) {
    return module_of(ctx).poll.unsubscribe(count, items, results);
}

}  // namespace engine

}  // namespace zevahv::modules
