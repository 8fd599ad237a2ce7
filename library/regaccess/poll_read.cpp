#include "regaccess/poll_read.h"

namespace zevahv::regaccess {

namespace {

// Marks an error entry the library did not write: a library that answers
// fewer addresses than asked leaves the rest out of the cycle.
constexpr int kUnanswered = -0x7FFF;

}  // namespace

std::uint32_t item_identifier(const PollItem &item) {
    if (item.channel < 0) return 0xFFFF00u + static_cast<std::uint32_t>(item.row);
    return static_cast<std::uint32_t>(item.channel) * 256u + static_cast<std::uint32_t>(item.row);
}

ReadPlan plan_reads(const Device &d, std::vector<PollItem> items) {
    ReadPlan p;
    p.items = std::move(items);
    for (const PollItem &it : p.items) {
        const Row &row = d.rows[static_cast<std::size_t>(it.row)];
        const unsigned a = d.address(row, it.channel);
        p.first.push_back(p.addrs.size());
        p.addrs.push_back(a);
        // Both halves of a two-register value, so that events carry the
        // same value as a read.
        if (row.wide) p.addrs.push_back(a + 2);
    }
    return p;
}

PollResult read_plan(Device &d, const ReadPlan &plan, std::vector<PolledValue> *out) {
    out->clear();
    if (plan.items.empty()) return PollResult::Read;
    if (!d.comm.has(CommLibrary::kMultiRead16)) return PollResult::NoMultiRead;
    std::vector<unsigned> addrs = plan.addrs;  // the library takes a non-const array
    std::vector<std::uint16_t> values(addrs.size(), 0);
    std::vector<int> errors(addrs.size(), kUnanswered);
    if (d.comm.multi_read16(d.handle, addrs.data(), static_cast<int>(addrs.size()),
                            values.data(), errors.data()) != 0)
        return PollResult::Failed;
    for (std::size_t i = 0; i < plan.items.size(); ++i) {
        const PollItem &it = plan.items[i];
        const Row &row = d.rows[static_cast<std::size_t>(it.row)];
        const std::size_t a = plan.first[i];
        if (errors[a] != 0 || (row.wide && errors[a + 1] != 0)) continue;
        std::uint32_t raw = values[a];
        if (row.wide) raw |= static_cast<std::uint32_t>(values[a + 1]) << 16;
        std::uint32_t v = client_value(row, raw);
        if (it.channel >= 0) {
            auto &low = d.range_low[static_cast<std::size_t>(it.channel)];
            if ((row.special == Special::RangeLow && !low.load()) ||
                (row.special == Special::RangeHigh && low.load()))
                v = 0;
            if (row.special == Special::RangeSwitch) low = static_cast<std::uint8_t>(v & 1);
        }
        out->push_back({it, v});
    }
    return PollResult::Read;
}

}  // namespace zevahv::regaccess
