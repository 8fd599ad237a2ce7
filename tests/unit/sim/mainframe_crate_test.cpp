// The simulated crate's layout replies and its channels' behaviour, driven
// with a clock of the test's own, so that ramps and trips are exact.
#include <gtest/gtest.h>

#include <map>

#include "mainframe/bytes.h"
#include "mainframe/crate.h"
#include "mainframe/layout_replies.h"

using namespace sim::mf;
using namespace std::chrono_literals;

namespace {

Crate default_crate() {
    std::string error;
    auto spec = load_crate_json(builtin_crate_json("default"), error);
    if (!spec) throw std::runtime_error(error);
    return Crate(*spec);
}

// A client's reading of GETSYSINFO, written from the wire layout.
struct Description {
    std::vector<std::string> names; // per descriptor
    std::vector<uint32_t> maxima;
    std::vector<uint16_t> slots, channels;
    std::vector<std::vector<uint16_t>> board_params;
    std::vector<std::vector<std::vector<uint16_t>>> channel_params;
};

std::vector<uint16_t> indices(ByteReader& r) {
    auto n = r.u16();
    EXPECT_TRUE(n && r.colon());
    std::vector<uint16_t> out;
    for (uint16_t i = 0; n && i < *n; ++i) out.push_back(r.u16().value_or(0xFFFF));
    EXPECT_TRUE(r.colon());
    return out;
}

Description read_description(const std::string& data) {
    Description d;
    ByteReader r(data);
    uint16_t n = *r.u16();
    EXPECT_TRUE(r.colon());
    for (uint16_t i = 0; i < n; ++i) {
        std::string_view desc = *r.take(kDescriptorSize);
        d.names.emplace_back(desc.substr(0, desc.find('\0')));
        ByteReader m(desc.substr(18, 4));
        d.maxima.push_back(*m.u32());
    }
    EXPECT_TRUE(r.colon());
    uint16_t boards = *r.u16();
    for (uint16_t i = 0; i < boards; ++i) d.slots.push_back(*r.u16());
    EXPECT_TRUE(r.colon());
    for (uint16_t i = 0; i < boards; ++i) d.channels.push_back(*r.u16());
    for (uint16_t i = 0; i < boards; ++i) {
        EXPECT_TRUE(r.colon()); // every board part begins with its ':'
        d.board_params.push_back(indices(r));
        d.channel_params.emplace_back();
        for (uint16_t c = 0; c < d.channels[i]; ++c) d.channel_params.back().push_back(indices(r));
    }
    EXPECT_TRUE(r.at_end());
    return d;
}

std::string name_of(const Description& d, uint16_t index) {
    return index < d.names.size() ? d.names[index] : "<index beyond the table>";
}

void set(Crate& crate, int slot, int ch, const char* name, uint32_t raw) {
    Board& b = *crate.board(slot);
    int idx = b.find_channel_param(ch, name);
    ASSERT_GE(idx, 0) << name;
    crate.write_channel(b, ch, idx, raw);
}

double value(Crate& crate, int slot, int ch, const char* name) {
    Board& b = *crate.board(slot);
    int idx = b.find_channel_param(ch, name);
    const ParamDesc& d = b.channels[ch].params()[idx];
    return d.to_value(crate.read_channel(b, ch, idx));
}

uint32_t raw(Crate& crate, int slot, int ch, const char* name) {
    Board& b = *crate.board(slot);
    return crate.read_channel(b, ch, b.find_channel_param(ch, name));
}

} // namespace

TEST(MainframeLayout, SystemDescriptionReadsBackAsTheCrateIs) {
    Crate crate = default_crate();
    Description d = read_description(system_info_data(crate));
    EXPECT_EQ(d.slots, (std::vector<uint16_t>{0, 1, 3, 4}));
    EXPECT_EQ(d.channels, (std::vector<uint16_t>{12, 24, 16, 48}));
    // Equal descriptors are listed once: far fewer than one per channel.
    EXPECT_LT(d.names.size(), 60u);
    for (size_t b = 0; b < d.slots.size(); ++b) {
        ASSERT_EQ(d.board_params[b].size(), 4u);
        EXPECT_EQ(name_of(d, d.board_params[b][0]), "BdStatus");
        for (const auto& ch : d.channel_params[b]) {
            ASSERT_EQ(ch.size(), 11u);
            EXPECT_EQ(name_of(d, ch[0]), "VSet");
            EXPECT_EQ(name_of(d, ch[10]), "Status");
        }
    }
    // The mixed board's two halves use two VSet descriptors.
    uint16_t low = d.channel_params[2][0][0], high = d.channel_params[2][8][0];
    EXPECT_NE(low, high);
    EXPECT_EQ(d.maxima[low], 40000u);
    EXPECT_EQ(d.maxima[high], 10000u);
    EXPECT_EQ(d.channel_params[2][7][0], low);
    EXPECT_EQ(d.channel_params[2][15][0], high);
}

TEST(MainframeLayout, CrateMapAndCompositionMarkEmptySlots) {
    Crate crate = default_crate();
    std::string map_data = crate_map_data(crate);
    ByteReader map(map_data);
    EXPECT_EQ(*map.u16(), 6);
    for (int s = 0; s < 6; ++s) {
        ASSERT_TRUE(map.colon());
        if (s == 2 || s == 5) {
            EXPECT_EQ(*map.u8(), 0) << "slot " << s;
            continue;
        }
        std::string model(*map.text_until(':'));
        EXPECT_EQ(model, crate.board(s)->kind->model);
        map.text_until(':');
        EXPECT_EQ(*map.u16(), crate.board(s)->serial);
        EXPECT_TRUE(map.colon());
        uint16_t fw = *map.u16();
        EXPECT_EQ(fw >> 8, static_cast<int>(crate.board(s)->fw_major));
    }
    EXPECT_TRUE(map.at_end());

    std::string comp_data = composition_data(crate);
    ByteReader comp(comp_data);
    EXPECT_EQ(*comp.u8(), 1);
    EXPECT_TRUE(comp.colon());
    EXPECT_EQ(*comp.u16(), 6);
    EXPECT_TRUE(comp.colon());
    std::vector<uint32_t> counts;
    while (!comp.at_end()) counts.push_back(*comp.u32());
    EXPECT_EQ(counts, (std::vector<uint32_t>{12, 24, 0, 16, 48, 0}));
}

TEST(MainframeChannel, RampsAtItsRatesWhilePowered) {
    Crate crate = default_crate();
    auto t = Clock::now();
    crate.advance(t);
    set(crate, 0, 0, "VSet", 10000); // 1000.0 V
    set(crate, 0, 0, "RUp", 100);
    set(crate, 0, 0, "RDwn", 200);
    crate.advance(t + 5s);
    EXPECT_EQ(value(crate, 0, 0, "VMon"), 0); // off: nothing moves
    set(crate, 0, 0, "Pw", 1);
    crate.advance(t + 7s);
    EXPECT_NEAR(value(crate, 0, 0, "VMon"), 200, 0.05);
    EXPECT_EQ(raw(crate, 0, 0, "Status"), kChOn | kChRampUp);
    EXPECT_NEAR(value(crate, 0, 0, "IMon"), 2.0, 0.005); // 200 V on 100 MOhm
    crate.advance(t + 20s);
    EXPECT_NEAR(value(crate, 0, 0, "VMon"), 1000, 0.05);
    EXPECT_EQ(raw(crate, 0, 0, "Status"), kChOn);
    set(crate, 0, 0, "Pw", 0);
    crate.advance(t + 22s);
    EXPECT_NEAR(value(crate, 0, 0, "VMon"), 600, 0.05);
    EXPECT_EQ(raw(crate, 0, 0, "Status"), kChRampDown);

    // A bipolar channel goes negative; SVMax holds it and says so.
    set(crate, 4, 3, "VSet", static_cast<uint32_t>(-20000));
    set(crate, 4, 3, "SVMax", 1500);
    set(crate, 4, 3, "RUp", 500);
    set(crate, 4, 3, "Pw", 1);
    crate.advance(t + 30s);
    EXPECT_NEAR(value(crate, 4, 3, "VMon"), -1500, 0.05);
    EXPECT_EQ(raw(crate, 4, 3, "Status"), kChOn | kChMaxV);
    EXPECT_NEAR(value(crate, 4, 3, "IMon"), -30, 0.01); // 50 MOhm
}

TEST(MainframeChannel, CurrentLimitTripsAfterTripSeconds) {
    Crate crate = default_crate();
    auto t = Clock::now();
    crate.advance(t);
    set(crate, 0, 1, "VSet", 20000); // 2000 V on 100 MOhm wants 20 uA
    set(crate, 0, 1, "ISet", 1000);  // 10.00 uA: held at 1000 V
    set(crate, 0, 1, "RUp", 500);
    set(crate, 0, 1, "Trip", 20);    // 2.0 s
    set(crate, 0, 1, "Pw", 1);
    crate.advance(t + 2s);
    crate.advance(t + 3s);
    EXPECT_NEAR(value(crate, 0, 1, "VMon"), 1000, 0.05);
    EXPECT_EQ(raw(crate, 0, 1, "Status"), kChOn | kChOverCurrent);
    EXPECT_EQ(crate.board(0)->state_byte(), kStateWarning);
    crate.advance(t + 5s);
    EXPECT_EQ(raw(crate, 0, 1, "Pw"), 0u);
    EXPECT_TRUE(raw(crate, 0, 1, "Status") & kChTripped);
    EXPECT_EQ(crate.board(0)->state_byte(), kStateAlarm);
    EXPECT_EQ(crate.system_state_byte(), kStateAlarm);
    EXPECT_GT(value(crate, 0, 1, "VMon"), 0); // PDwn Ramp: it ramps down
    // Switching on again clears the trip.
    set(crate, 0, 1, "ISet", 3000);
    set(crate, 0, 1, "Pw", 1);
    EXPECT_FALSE(raw(crate, 0, 1, "Status") & kChTripped);
    EXPECT_EQ(crate.system_state_byte(), kStateOk);

    // With PDwn Kill a trip drops the output at once.
    set(crate, 0, 2, "PDwn", 1);
    set(crate, 0, 2, "VSet", 5000);
    set(crate, 0, 2, "Pw", 1);
    crate.advance(t + 20s);
    crate.trip(*crate.board(0), 2);
    EXPECT_EQ(value(crate, 0, 2, "VMon"), 0);
}

TEST(MainframeChannel, KillClearAndLayoutChanges) {
    Crate crate = default_crate();
    auto t = Clock::now();
    crate.advance(t);
    set(crate, 1, 0, "VSet", 5000);
    set(crate, 1, 0, "Pw", 1);
    crate.advance(t + 200s);
    crate.kill_all();
    EXPECT_EQ(value(crate, 1, 0, "VMon"), 0);
    EXPECT_EQ(raw(crate, 1, 0, "Status"), kChKilled);
    EXPECT_EQ(crate.board(1)->status() & kBdKilled, kBdKilled);
    crate.clear_alarms();
    EXPECT_EQ(raw(crate, 1, 0, "Status"), 0u);

    uint64_t gen = crate.layout_generation();
    uint64_t uid = crate.board(1)->uid;
    set(crate, 1, 5, "VSet", 1234);
    EXPECT_TRUE(crate.move(1, 3).has_value()); // slot 3 holds a board: refused
    EXPECT_EQ(crate.layout_generation(), gen);
    EXPECT_FALSE(crate.move(1, 2).has_value());
    EXPECT_EQ(crate.layout_generation(), gen + 1);
    EXPECT_EQ(crate.board(1), nullptr);
    EXPECT_EQ(crate.board(2)->uid, uid);
    EXPECT_EQ(raw(crate, 2, 5, "VSet"), 1234u); // state kept
    EXPECT_TRUE(crate.pull(5).has_value());      // already empty
    EXPECT_FALSE(crate.pull(2).has_value());
    EXPECT_TRUE(crate.insert(2, "NOSUCH", 1).has_value());
    EXPECT_FALSE(crate.insert(2, "ZB3012P", 77).has_value());
    EXPECT_NE(crate.board(2)->uid, uid);
    EXPECT_EQ(crate.board(2)->serial, 77u);
    EXPECT_EQ(crate.layout_generation(), gen + 3);
}

TEST(MainframeChannel, HardwareSideChanges) {
    Crate crate = default_crate();
    Board& b = *crate.board(0);
    int vmon = b.find_channel_param(0, "VMon"), imon = b.find_channel_param(0, "IMon");
    EXPECT_FALSE(crate.force_channel(b, 0, vmon, 250).has_value());
    EXPECT_NEAR(value(crate, 0, 0, "VMon"), 250, 0.05);
    EXPECT_FALSE(crate.force_channel(b, 0, imon, 4.5).has_value()); // 2.5 from the load + 2 leaking
    EXPECT_NEAR(value(crate, 0, 0, "IMon"), 4.5, 0.005);
    EXPECT_TRUE(crate.force_channel(b, 0, b.find_channel_param(0, "Status"), 1).has_value());
    int temp = b.find_param("Temp");
    EXPECT_FALSE(crate.force_board(b, temp, 75).has_value()); // above TempMax 60
    EXPECT_EQ(b.status(), kBdOverTemp);
    EXPECT_EQ(b.state_byte(), kStateAlarm);
    EXPECT_TRUE(crate.force_board(b, temp, 5e9).has_value()); // does not fit 32 bits
}
