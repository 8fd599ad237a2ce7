// Every writable word of every table round-trips at its limits and refuses
// one step beyond, in the forms a client sends.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "devices/registry.h"
#include "model/value_text.h"

using namespace sim;

TEST(DeviceTables, MnemonicsAreUniqueAndWritableRowsRoundTrip) {
    for (const auto& kind : device_kinds()) {
        SCOPED_TRACE(kind.name);
        auto dev = make_device(kind);
        ASSERT_TRUE(dev);
        std::set<std::string> seen;
        for (size_t i = 0; i < dev->table().size(); ++i) {
            const ParamDef& p = dev->table()[i];
            EXPECT_TRUE(seen.insert(p.mnemonic).second) << "duplicate " << p.mnemonic;
            if (p.access == Access::R || p.kind == Kind::Action || p.kind == Kind::Text) continue;
            // The crate's set points have limits of each channel's own.
            if (kind.name == "w7300" && (p.mnemonic == "VSET" || p.mnemonic == "ISET")) continue;
            int ch = p.scope == Scope::Channel ? dev->channels() - 1 : 0;
            int idx = static_cast<int>(i);
            if (p.kind == Kind::OnOff) {
                EXPECT_FALSE(dev->write(idx, ch, p.on_text, Origin::Wire)) << p.mnemonic;
                if (p.access != Access::W) {
                    EXPECT_EQ(dev->read(idx, ch), p.on_text) << p.mnemonic;
                }
                EXPECT_EQ(dev->write(idx, ch, "2", Origin::Wire), Refusal::Val) << p.mnemonic;
                continue;
            }
            for (double v : {p.min, p.max}) {
                std::string sent = format_fixed(v, p.int_digits, p.decimals);
                EXPECT_FALSE(dev->write(idx, ch, sent, Origin::Wire)) << p.mnemonic << " " << sent;
                auto back = dev->read(idx, ch);
                ASSERT_TRUE(back) << p.mnemonic;
                EXPECT_EQ(parse_decimal(*back), v) << p.mnemonic;
            }
            double step = std::pow(10.0, -p.decimals);
            EXPECT_EQ(dev->write(idx, ch, format_fixed(p.max + step, 1, p.decimals), Origin::Wire),
                      Refusal::Val)
                << p.mnemonic;
            EXPECT_EQ(dev->write(idx, ch, format_fixed(p.min - step, 1, p.decimals), Origin::Wire),
                      Refusal::Val)
                << p.mnemonic;
            EXPECT_EQ(dev->write(idx, ch, "abc", Origin::Wire), Refusal::Val) << p.mnemonic;
        }
    }
}

TEST(DeviceTables, AuxCoarseAndFineGainsAreSeparateRegisters) {
    auto dev = make_device(*find_device_kind("q2906"));
    int fine = dev->find("AUXFGAIN"), coarse = dev->find("AUXCGAIN");
    ASSERT_GE(fine, 0);
    ASSERT_GE(coarse, 0);
    ASSERT_FALSE(dev->write(fine, 4, "150", Origin::Wire));
    ASSERT_FALSE(dev->write(coarse, 4, "3", Origin::Wire));
    EXPECT_EQ(dev->read(fine, 4), "150");
    EXPECT_EQ(dev->read(coarse, 4), "3");
    EXPECT_EQ(dev->write(coarse, 4, "1.5", Origin::Wire), Refusal::Val); // an index is whole
}

TEST(DeviceTables, AmplifierValueForms) {
    auto p731x = make_device(*find_device_kind("p731x"));
    int fgain = p731x->find("FGAIN");
    ASSERT_FALSE(p731x->write(fgain, 5, "007", Origin::Wire));
    EXPECT_EQ(p731x->read(fgain, 5), "007");
    EXPECT_EQ(p731x->read(p731x->find("LASTCH"), 0), "05"); // follows the last adjustment
    EXPECT_EQ(p731x->read(p731x->find("BDNCH"), 0), "16");

    auto q2904 = make_device(*find_device_kind("q2904"));
    int thr = q2904->find("THR");
    ASSERT_FALSE(q2904->write(thr, 0, "1235", Origin::Wire));
    EXPECT_EQ(q2904->read(thr, 0), "1235");
    int name = q2904->find("NAME");
    EXPECT_EQ(q2904->read(name, 15), "CH15");
    // A name that would break the reply grammar is refused.
    for (const char* bad : {"", "a;b", "a,b", "a:b", "twelve chars"})
        EXPECT_EQ(q2904->write(name, 1, bad, Origin::Panel), Refusal::Val) << bad;
}
