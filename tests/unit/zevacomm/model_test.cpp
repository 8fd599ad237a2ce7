// The stand-in's text inputs: model files, the device table and fault rules.
#include <gtest/gtest.h>

#include "faults.h"
#include "model.h"
#include "select.h"

using namespace zevacomm;

namespace {

std::string parse_error(const std::string& text) {
    Model m;
    std::string error;
    EXPECT_FALSE(parse_model(text, &m, &error)) << text;
    return error;
}

TEST(ModelFiles, TheBuiltInModelsParse) {
    for (Kind k : {Kind::W40xx, Kind::Rd40xx}) {
        Model m;
        std::string error;
        ASSERT_TRUE(parse_model(default_model_text(k), &m, &error)) << error;
        EXPECT_EQ(m.kind, k);
    }
    Model w;
    std::string error;
    ASSERT_TRUE(parse_model(default_model_text(Kind::W40xx), &w, &error));
    EXPECT_EQ(w.channels, 12);
    EXPECT_EQ(w.params.size(), 18u);
    const ParamSpec& imon = w.params[8];
    EXPECT_EQ(imon.name, "IMon");
    EXPECT_EQ(imon.type_mode, 0x80 | 0x08);
    EXPECT_EQ(imon.exponent, -6);
    EXPECT_EQ(imon.channels.size(), 12u) << "on=channels covers every channel";
}

TEST(ModelFiles, ErrorsNameTheLine) {
    EXPECT_EQ(parse_error("kind w40xx\nchannels 4\nbogus 1\n"), "line 3: unknown keyword 'bogus'");
    EXPECT_EQ(parse_error("kind w40xx\nparam type=numeric\n"), "line 2: a parameter needs name=");
    EXPECT_EQ(parse_error("kind w40xx\nparam name=ElevenChars\n").rfind("line 2: bad value for name", 0), 0u);
    EXPECT_EQ(parse_error("kind w40xx\nchannels 2\nparam name=A on=0-2\n"),
              "parameter A names channel 2 of a board with 2");
    EXPECT_EQ(parse_error("kind rd40xx\nparam name=A\n"), "'param' lines belong to W40XX boards");
    EXPECT_EQ(parse_error("model X\n"), "no 'kind' line");
    std::string many = "kind w40xx\n";
    for (int i = 0; i < 33; ++i) many += "param name=P" + std::to_string(i) + "\n";
    EXPECT_EQ(parse_error(many), "line 34: more than 32 parameters");
}

TEST(DeviceTable, LinesMatchByLinkNumberNodeAndBase) {
    Address a;
    a.link = kUsb3;
    a.where = "2";
    a.node = 0x1f;
    a.base = 0x32100000;
    std::string model, error;
    EXPECT_EQ(match_table_line("usb3 2 1f 32100000 board.conf", a, &model, &error), 1);
    EXPECT_EQ(model, "board.conf");
    EXPECT_EQ(match_table_line("7 * 0x1F * rd40xx  # any base", a, &model, &error), 1);
    EXPECT_EQ(model, "rd40xx");
    EXPECT_EQ(match_table_line("usb 2 1f 32100000 w40xx", a, &model, &error), 0);
    EXPECT_EQ(match_table_line("* 3 * * w40xx", a, &model, &error), 0);
    EXPECT_EQ(match_table_line("   # a comment", a, &model, &error), 0);
    EXPECT_EQ(match_table_line("serial 2 0 0 w40xx", a, &model, &error), -1);
    EXPECT_EQ(match_table_line("usb3 2 zz 0 w40xx", a, &model, &error), -1);
    EXPECT_EQ(match_table_line("usb3 2 1f", a, &model, &error), -1);
}

TEST(FaultRules, ParseAndRefuse) {
    std::vector<FaultRule> rules;
    std::string error;
    ASSERT_TRUE(parse_fault_rules("read16 addr=0x8100 times=2; multiread short=3\n# note\nany rc=-9",
                                  &rules, &error));
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_EQ(rules[0].call, Call::Read16);
    EXPECT_EQ(*rules[0].addr, 0x8100u);
    EXPECT_EQ(rules[0].times, 2);
    EXPECT_EQ(rules[1].short_count, 3);
    EXPECT_EQ(rules[2].rc, -9);
    EXPECT_FALSE(parse_fault_rules("read17", &rules, &error));
    EXPECT_FALSE(parse_fault_rules("read16 short=3", &rules, &error)) << "short is a multi-read's";
    EXPECT_FALSE(parse_fault_rules("open addr", &rules, &error));
    EXPECT_FALSE(parse_fault_rules("open rc=0", &rules, &error)) << "a fault never succeeds";
}

}  // namespace
