// Crate files: the built-in crates, what a file may say, what it may not
// (each refusal names the place), and the raw <-> value conversions that
// the descriptors stand for.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "mainframe/crate_spec.h"

using namespace sim::mf;
using nlohmann::json;

namespace {

json minimal() {
    return json::parse(R"({
      "slots": 4,
      "parameters": {"VSet": {"type": "numeric", "write": true, "min": 0, "max": 3000,
                              "decimals": 1, "scale": 10, "unit": "V"},
                     "Pw": {"type": "onoff", "write": true, "on": "On", "off": "Off"}},
      "kinds": {"K1": {"description": "one", "channels": 4, "channel": ["VSet", "Pw"]}},
      "boards": [{"slot": 1, "kind": "K1", "serial": 7, "firmware": "2.3"}]
    })");
}

std::string load_error(const json& j) {
    std::string error;
    auto spec = load_crate_json(j.dump(), error);
    return spec ? "" : error;
}

const ParamDesc& channel_param(const CrateSpec& s, const std::string& kind, int ch, const std::string& name) {
    for (const auto& d : *s.kinds.at(kind).channel_params.at(ch))
        if (d.name == name) return d;
    throw std::runtime_error("no " + name);
}

} // namespace

TEST(MainframeCrateFile, BuiltInCratesLoad) {
    std::string error;
    auto def = load_crate_json(builtin_crate_json("default"), error);
    ASSERT_TRUE(def) << error;
    EXPECT_EQ(def->model, "KR2440");
    EXPECT_EQ(def->generation, Generation::Current);
    EXPECT_EQ(def->slots, 6);
    ASSERT_EQ(def->boards.size(), 4u); // slots 2 and 5 empty
    EXPECT_EQ(def->users.size(), 3u);
    EXPECT_FALSE(def->users[2].may_write);
    // The mixed board: two descriptors of VSet on one board.
    EXPECT_EQ(channel_param(*def, "ZB4016M", 0, "VSet").max_raw, 40000);
    EXPECT_EQ(channel_param(*def, "ZB4016M", 8, "VSet").max_raw, 10000);
    EXPECT_EQ(channel_param(*def, "ZB4016M", 0, "ISet").max_raw, 300000);
    EXPECT_EQ(channel_param(*def, "ZB4016M", 15, "ISet").max_raw, 50000);

    auto full = load_crate_json(builtin_crate_json("full"), error);
    ASSERT_TRUE(full) << error;
    EXPECT_EQ(full->slots, 16);
    ASSERT_EQ(full->boards.size(), 16u);
    EXPECT_EQ(full->kinds.at(full->boards[15].kind).channels, 48);
}

TEST(MainframeCrateFile, FieldsOverridesAndGroupsMakeTheDescriptors) {
    json j = minimal();
    j["model"] = "KR2220";
    j["kinds"]["K1"]["override"] = {{"VSet", {{"max", 6000}, {"default", 12.5}}}};
    j["kinds"]["K1"]["groups"] = json::array({{{"channels", {2, 3}}, {"override", {{"VSet", {{"max", 100}}}}}}});
    j["users"] = json::array({{{"name", "op"}, {"password", "a:b"}}});
    std::string error;
    auto s = load_crate_json(j.dump(), error);
    ASSERT_TRUE(s) << error;
    EXPECT_EQ(s->generation, Generation::Legacy);
    EXPECT_EQ(s->users[0].password, "a:b"); // only the user name must not hold ':'
    const BoardKind& k = s->kinds.at("K1");
    EXPECT_EQ(k.channel_params[0], k.channel_params[1]); // shared list
    EXPECT_NE(k.channel_params[1], k.channel_params[2]);
    EXPECT_EQ(channel_param(*s, "K1", 0, "VSet").max_raw, 60000);
    EXPECT_EQ(channel_param(*s, "K1", 3, "VSet").max_raw, 1000);
    EXPECT_DOUBLE_EQ(channel_param(*s, "K1", 3, "VSet").initial, 12.5);
    const ParamDesc& pw = channel_param(*s, "K1", 0, "Pw");
    EXPECT_EQ(pw.type, kTypeOnOff);
    EXPECT_EQ(pw.role, Role::Pw); // named like a role
    EXPECT_EQ(s->boards[0].fw_major, 2u);
    EXPECT_EQ(s->boards[0].fw_minor, 3u);
}

TEST(MainframeCrateFile, RefusalsNameThePlace) {
    struct Case {
        const char* what;
        std::function<void(json&)> spoil;
        const char* expect;
    } cases[] = {
        {"slot beyond", [](json& j) { j["boards"][0]["slot"] = 4; }, "boards[0].slot"},
        {"slot twice", [](json& j) { j["boards"].push_back({{"slot", 1}, {"kind", "K1"}}); }, "used twice"},
        {"unknown kind", [](json& j) { j["boards"][0]["kind"] = "K9"; }, "boards[0].kind"},
        {"too many slots", [](json& j) { j["slots"] = 17; }, "slots"},
        {"long name", [](json& j) { j["parameters"]["ABCDEFGHIJ"] = {{"type", "raw"}}; }, "1 to 9"},
        {"min above max", [](json& j) { j["parameters"]["VSet"]["min"] = 5000; }, "min is above max"},
        {"limits past 32 bits", [](json& j) { j["parameters"]["VSet"]["max"] = 1e9; }, "32-bit"},
        {"negative unsigned", [](json& j) { j["parameters"]["VSet"]["min"] = -1; }, "32-bit"},
        {"colon in text", [](json& j) { j["kinds"]["K1"]["description"] = "a:b"; }, "':'"},
        {"long on text", [](json& j) { j["parameters"]["Pw"]["on"] = "Switched"; }, "parameters.Pw.on"},
        {"unknown field", [](json& j) { j["parameters"]["Pw"]["colour"] = "red"; }, "not a parameter field"},
        {"undefined override", [](json& j) { j["kinds"]["K1"]["override"] = {{"IMon", json::object()}}; },
         "kinds.K1.override.IMon"},
        {"group range", [](json& j) {
             j["kinds"]["K1"]["groups"] = json::array({{{"channels", {2, 9}}, {"override", json::object()}}});
         }, "groups[0].channels"},
        {"firmware", [](json& j) { j["boards"][0]["firmware"] = "2.300"; }, "firmware"},
        {"channel listed twice", [](json& j) { j["kinds"]["K1"]["channel"] = {"Pw", "Pw"}; }, "twice"},
    };
    for (auto& c : cases) {
        json j = minimal();
        c.spoil(j);
        std::string e = load_error(j);
        EXPECT_NE(e.find(c.expect), std::string::npos) << c.what << ": \"" << e << "\"";
    }
    std::string error;
    EXPECT_FALSE(load_crate_json("{\"slots\": 2", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(load_crate_file("/nonexistent/crate.json", error));
    EXPECT_NE(error.find("/nonexistent/crate.json"), std::string::npos);
}

TEST(MainframeConversions, DecimalsDivideAndWholeNumbersMultiply) {
    ParamDesc v; // VSet: decimals 1, scale 10
    v.decimals = 1;
    v.scale = 10;
    EXPECT_EQ(v.to_raw(1234.56), 12346);
    EXPECT_DOUBLE_EQ(v.to_value(12346), 1234.6);

    ParamDesc hv; // HVMax: raw in units of 10 V
    hv.decimals = 0;
    hv.scale = 10;
    EXPECT_DOUBLE_EQ(hv.to_value(300), 3000);
    EXPECT_EQ(hv.to_raw(2995), 300); // 299.5 rounds away from zero

    ParamDesc s = v; // a bipolar set point
    s.is_signed = true;
    EXPECT_EQ(s.to_raw(-1234.56), -12346);
    uint32_t wire = static_cast<uint32_t>(-12346);
    EXPECT_DOUBLE_EQ(s.to_value(wire), -1234.6);
    EXPECT_EQ(s.interpret(wire), -12346);
    // The same 32 bits read without the sign flag are a large number.
    EXPECT_GT(v.to_value(wire), 4e8);
    EXPECT_EQ(v.interpret(wire), 4294954950LL);
}

TEST(MainframeConversions, DescriptorWireForm) {
    ParamDesc d;
    d.name = "VSet";
    d.type = kTypeNumeric;
    d.writable = true;
    d.is_signed = true;
    d.min_raw = -25000;
    d.max_raw = 25000;
    d.decimals = 1;
    d.scale = 10;
    d.unit = 2;
    d.exponent = -3;
    ByteWriter w;
    d.encode(w);
    const std::string& b = w.bytes();
    ASSERT_EQ(b.size(), kDescriptorSize);
    EXPECT_EQ(b.substr(0, 10), std::string("VSet\0\0\0\0\0\0", 10));
    EXPECT_EQ(b.substr(10, 4), std::string("\x00\x00\xC0\x00", 4)); // type 0, rw, signed
    EXPECT_EQ(b.substr(14, 4), std::string("\xFF\xFF\x9E\x58", 4));  // -25000
    EXPECT_EQ(b.substr(26, 6), std::string("\x00\x02\xFF\xFD\x00\x00", 6));

    ParamDesc pw;
    pw.name = "Pw";
    pw.type = kTypeOnOff;
    pw.on_text = "On";
    pw.off_text = "Off";
    ByteWriter w2;
    pw.encode(w2);
    ASSERT_EQ(w2.bytes().size(), kDescriptorSize);
    EXPECT_EQ(w2.bytes().substr(10, 4), std::string("\x00\x01\x00\x00", 4)); // read-only, unsigned
    EXPECT_EQ(w2.bytes().substr(14, 16), std::string("On\0\0\0\0\0\0Off\0\0\0\0\0", 16));
}
