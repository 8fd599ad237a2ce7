#include "mainframe/layout_replies.h"

#include <unordered_map>

#include "mainframe/bytes.h"

namespace sim::mf {

namespace {

// The descriptor table: every distinct descriptor once, in the order the
// slots and their channels first use it.
class DescriptorTable {
public:
    uint16_t index_of(const ParamDesc& d) {
        ByteWriter w;
        d.encode(w);
        auto [it, added] = index_.try_emplace(w.bytes(), static_cast<uint16_t>(order_.size()));
        if (added) order_.push_back(w.take());
        return it->second;
    }
    void write(ByteWriter& w) const {
        w.u16(static_cast<uint16_t>(order_.size())).colon();
        for (const auto& d : order_) w.text(d);
    }

private:
    std::unordered_map<std::string, uint16_t> index_;
    std::vector<std::string> order_;
};

void write_indices(ByteWriter& w, DescriptorTable& table, const ParamList& list) {
    w.u16(static_cast<uint16_t>(list.size())).colon();
    for (const auto& d : list) w.u16(table.index_of(d));
    w.colon();
}

void write_identity(ByteWriter& w, const Board& b) {
    w.text(b.kind->model).colon().text(b.kind->description).colon();
    w.u16(static_cast<uint16_t>(b.serial)).colon();
    w.u16(static_cast<uint16_t>(b.fw_major << 8 | b.fw_minor));
}

} // namespace

std::string system_info_data(const Crate& crate) {
    DescriptorTable table;
    ByteWriter boards;
    std::vector<const Board*> present;
    for (int s = 0; s < crate.slots(); ++s)
        if (const Board* b = crate.board(s)) present.push_back(b);
    for (const Board* b : present) {
        boards.colon();
        write_indices(boards, table, b->params());
        for (const auto& c : b->channels) write_indices(boards, table, c.params());
    }
    ByteWriter w;
    table.write(w);
    w.colon().u16(static_cast<uint16_t>(present.size()));
    for (int s = 0; s < crate.slots(); ++s)
        if (crate.board(s)) w.u16(static_cast<uint16_t>(s));
    w.colon();
    for (const Board* b : present) w.u16(static_cast<uint16_t>(b->channels.size()));
    w.text(boards.bytes());
    return w.take();
}

std::string crate_map_data(const Crate& crate) {
    ByteWriter w;
    w.u16(static_cast<uint16_t>(crate.slots()));
    for (int s = 0; s < crate.slots(); ++s) {
        w.colon();
        if (const Board* b = crate.board(s)) write_identity(w, *b);
        else w.u8(0);
    }
    return w.take();
}

std::string composition_data(const Crate& crate) {
    ByteWriter w;
    w.u8(1).colon().u16(static_cast<uint16_t>(crate.slots())).colon();
    for (int s = 0; s < crate.slots(); ++s) {
        const Board* b = crate.board(s);
        w.u32(b ? static_cast<uint32_t>(b->channels.size()) : 0);
    }
    return w.take();
}

std::string board_identity_data(const Board& board) {
    ByteWriter w;
    write_identity(w, board);
    return w.take();
}

} // namespace sim::mf
