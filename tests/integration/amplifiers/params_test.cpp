// Reading and writing every parameter of the three families through the
// public interface, checked against what the simulator received and holds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "amp_support.h"

namespace {

struct Param {
    const char* name;
    const char* mnemonic;
    int width;  // minimum width of a numeric value on the wire
};

struct Catalogue {
    const AmpFamily* family;
    std::vector<Param> board;
    std::vector<Param> channel;
};

const Catalogue kQ2906Params{
    &kQ2906,
    {{"Offset", "BDOFFSET", 1}, {"MultiThr", "BDMULTITHR", 1}},
    {{"Name", "NAME", 0},         {"Shape", "SHAPE", 1},      {"SlowFGain", "SLOWFGAIN", 1},
     {"AUXFFGain", "AUXFGAIN", 1}, {"SlowCGain", "SLOWCGAIN", 1}, {"AUXFCGain", "AUXCGAIN", 1},
     {"PUR", "PUR", 1},           {"MuxOut", "MUX", 1},       {"MuxSel", "OUTSEL", 1},
     {"Threshold", "THR", 1},     {"CFDDelEn", "CFDED", 1},   {"CFDDelay", "CFDDEL", 1},
     {"CFDWidth", "CFDWDT", 1},   {"ORWidth", "ORWDT", 1},    {"OR", "OR", 1}}};

const Catalogue kQ2904Params{
    &kQ2904,
    {{"Offset", "BDOFFSET", 1}, {"MultiThr", "BDMULTITHR", 1}},
    {{"Name", "NAME", 0},        {"MuxOut", "MUX", 1},       {"InPol", "POL", 1},
     {"Shape", "SHAPE", 1},      {"CoarsGain", "CGAIN", 1},  {"FineGain", "FGAIN", 1},
     {"PoleZAdj", "PZADJ", 1},   {"TGain", "TGAIN", 1},      {"TInt", "TINT", 1},
     {"TDiff", "TDIFF", 1},      {"OffsetAdj", "OFFADJTST", 1}, {"Threshold", "THR", 1},
     {"CFDDelEn", "CFDED", 1},   {"CFDDelay", "CFDDEL", 1},  {"CFDWidth", "CFDWDT", 1},
     {"OROut", "OR", 1},         {"ORWidth", "ORWDT", 1},    {"PUR", "PUR", 1}}};

const Catalogue kP731XParams{
    &kP731X,
    {{"Offset", "OFFSET", 3}, {"MuxOut", "MUXEN", 1}, {"LastCh", "LASTCH", 2}},
    {{"Name", "NAME", 0},       {"CoarGain", "CGAIN", 1}, {"FineGain", "FGAIN", 3},
     {"Shape", "SHAPE", 1},     {"OutConf", "CONF", 1},   {"OutPol", "POL", 1},
     {"PoleZAdj", "PZADJ", 3}}};

unsigned prop_uint(int h, bool board, const char* par, const char* prop) {
    unsigned v = 99;
    int r = board ? ZEVAHV_GetBdParamProp(h, 0, par, prop, &v)
                  : ZEVAHV_GetChParamProp(h, 0, 0, par, prop, &v);
    EXPECT_EQ(r, 0) << par << "." << prop;
    return v;
}

float prop_float(int h, bool board, const char* par, const char* prop) {
    float v = -1;
    int r = board ? ZEVAHV_GetBdParamProp(h, 0, par, prop, &v)
                  : ZEVAHV_GetChParamProp(h, 0, 0, par, prop, &v);
    EXPECT_EQ(r, 0) << par << "." << prop;
    return v;
}

std::string padded(long v, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*ld", width, v);
    return buf;
}

class AmpParams : public ::testing::TestWithParam<const Catalogue*> {};

// The parameter lists are exactly the catalogue's names in table order.
TEST_P(AmpParams, ListsItsParameters) {
    const Catalogue& c = *GetParam();
    auto sim = SimProcess::start(c.family->device);
    auto sys = open_tcp(*c.family, *sim);
    ASSERT_EQ(sys->result(), 0);
    char* list = nullptr;
    ASSERT_EQ(ZEVAHV_GetBdParamInfo(sys->handle(), 0, &list), 0);
    std::vector<std::string> want;
    for (const auto& p : c.board) want.push_back(p.name);
    EXPECT_EQ(name_list(list), want);
    int count = -1;
    list = nullptr;
    ASSERT_EQ(ZEVAHV_GetChParamInfo(sys->handle(), 0, 7, &list, &count), 0);
    want.clear();
    for (const auto& p : c.channel) want.push_back(p.name);
    EXPECT_EQ(name_list(list), want);
    EXPECT_EQ(count, static_cast<int>(want.size()));
}

// One parameter at a time: a write through the library arrives at the
// module as the right word with the right value text and changes that
// parameter (and no other); a value that the front panel sets is read back.
void exercise(SimProcess& sim, int h, const Param& p, bool board) {
    SCOPED_TRACE(p.name);
    const unsigned short ch = 5;
    const int sim_ch = board ? -1 : ch;
    const std::string where = board ? "$BD:00,CMD:SET," : "$BD:00,CMD:SET,CH:5,";
    unsigned type = prop_uint(h, board, p.name, "Type");
    unsigned mode = prop_uint(h, board, p.name, "Mode");
    float maxval = prop_float(h, board, p.name, "Maxval");

    auto read = [&](void* value) {
        unsigned short slot = 0;
        return board ? ZEVAHV_GetBdParam(h, 1, &slot, p.name, value)
                     : ZEVAHV_GetChParam(h, 0, p.name, 1, &ch, value);
    };

    if (mode == ZEVAHV_PARAM_MODE_RDONLY) {
        if (type == ZEVAHV_PARAM_TYPE_NUMERIC) {
            sim_set(sim, p.mnemonic, sim_ch, "11");
            float v = -1;
            ASSERT_EQ(read(&v), 0);
            EXPECT_EQ(v, 11.0f);
        }
        if (type == ZEVAHV_PARAM_TYPE_STRING) {
            // Texts come back NUL-terminated in a field per channel.
            char text[64 * 2];
            std::memset(text, 0x5a, sizeof text);
            ASSERT_EQ(read(text), 0);
            EXPECT_STREQ(text, ("CH0" + std::to_string(ch)).c_str());
        }
        float f = 1;
        unsigned short slot = 0;
        int r = board ? ZEVAHV_SetBdParam(h, 1, &slot, p.name, &f)
                      : ZEVAHV_SetChParam(h, 0, p.name, 1, &ch, &f);
        EXPECT_EQ(r, board ? ZEVAHV_ERR_WRITE : ZEVAHV_ERR_READ);
        return;
    }
    ASSERT_EQ(mode, static_cast<unsigned>(ZEVAHV_PARAM_MODE_RDWR));

    unsigned short slot = 0;
    auto do_write = [&](void* value) {
        return board ? ZEVAHV_SetBdParam(h, 1, &slot, p.name, value)
                     : ZEVAHV_SetChParam(h, 0, p.name, 1, &ch, value);
    };

    size_t mark = log_mark(sim);
    if (type == ZEVAHV_PARAM_TYPE_NUMERIC) {
        long target = static_cast<long>(maxval) / 2 + 1;
        float v = static_cast<float>(target);
        ASSERT_EQ(do_write(&v), 0);
        auto cmds = commands(sim, mark);
        ASSERT_EQ(cmds.size(), 1u);
        EXPECT_EQ(cmds[0], where + "PAR:" + p.mnemonic + ",VAL:" + padded(target, p.width));
        EXPECT_EQ(std::atof(sim_get(sim, p.mnemonic, sim_ch).c_str()), target);
        float back = -1;
        ASSERT_EQ(read(&back), 0);
        EXPECT_EQ(back, v);
        sim_set(sim, p.mnemonic, sim_ch, "3");
        ASSERT_EQ(read(&back), 0);
        EXPECT_EQ(back, 3.0f);
    } else if (type == ZEVAHV_PARAM_TYPE_ONOFF || type == ZEVAHV_PARAM_TYPE_ENUM) {
        unsigned top = static_cast<unsigned>(maxval);
        ASSERT_GE(top, 1u);
        for (unsigned v : {top, 0u}) {
            mark = log_mark(sim);
            ASSERT_EQ(do_write(&v), 0);
            auto cmds = commands(sim, mark);
            ASSERT_EQ(cmds.size(), 1u);
            EXPECT_EQ(cmds[0], where + "PAR:" + p.mnemonic + ",VAL:" + std::to_string(v));
            EXPECT_EQ(std::atoi(sim_get(sim, p.mnemonic, sim_ch).c_str()), static_cast<int>(v));
            unsigned back = 99;
            ASSERT_EQ(read(&back), 0);
            EXPECT_EQ(back, v);
        }
        sim_set(sim, p.mnemonic, sim_ch, "1");
        unsigned back = 99;
        ASSERT_EQ(read(&back), 0);
        EXPECT_EQ(back, 1u);
    } else {
        ADD_FAILURE() << "unexpected type " << type;
    }
}

TEST_P(AmpParams, EveryParameterReadsAndWritesOnTheWire) {
    const Catalogue& c = *GetParam();
    auto sim = SimProcess::start(c.family->device);
    auto sys = open_tcp(*c.family, *sim);
    ASSERT_EQ(sys->result(), 0);
    for (const auto& p : c.board) exercise(*sim, sys->handle(), p, true);
    for (const auto& p : c.channel) exercise(*sim, sys->handle(), p, false);
}

INSTANTIATE_TEST_SUITE_P(Families, AmpParams,
                         ::testing::Values(&kQ2906Params, &kQ2904Params, &kP731XParams),
                         [](const auto& info) { return std::string(info.param->family->model); });

// The value texts that the module insists on.
TEST(AmpWire, ValueFormatsOfTheQ2906) {
    auto sim = SimProcess::start("q2906");
    auto sys = open_tcp(kQ2906, *sim);
    ASSERT_EQ(sys->result(), 0);
    int h = sys->handle();

    size_t mark = log_mark(*sim);
    ASSERT_EQ(set_ch_uint(h, "Shape", 3, 2), 0);
    ASSERT_EQ(set_ch_float(h, "Threshold", 3, 1234.6f), 0);
    ASSERT_EQ(set_ch_float(h, "Threshold", 4, 0.4f), 0);
    auto cmds = commands(*sim, mark);
    ASSERT_EQ(cmds.size(), 3u);
    EXPECT_EQ(cmds[0], "$BD:00,CMD:SET,CH:3,PAR:SHAPE,VAL:2");
    EXPECT_EQ(cmds[1], "$BD:00,CMD:SET,CH:3,PAR:THR,VAL:1235");
    EXPECT_EQ(cmds[2], "$BD:00,CMD:SET,CH:4,PAR:THR,VAL:0");
    // Every command ends in CR LF: the log holds the lines without it, and a
    // command with a stray byte before the line end would show it.
    for (const auto& line : commands(*sim))
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;

    // The AUX coarse gain has its own word: setting it leaves the AUX fine
    // gain alone.
    ASSERT_EQ(set_ch_float(h, "AUXFFGain", 1, 150), 0);
    ASSERT_EQ(set_ch_uint(h, "AUXFCGain", 1, 3), 0);
    EXPECT_EQ(sim_get(*sim, "AUXCGAIN", 1), "3");
    EXPECT_EQ(std::atof(sim_get(*sim, "AUXFGAIN", 1).c_str()), 150.0);
    float fine = 0;
    unsigned coarse = 0;
    ASSERT_EQ(get_ch_float(h, "AUXFFGain", 1, &fine), 0);
    ASSERT_EQ(get_ch_uint(h, "AUXFCGain", 1, &coarse), 0);
    EXPECT_EQ(fine, 150.0f);
    EXPECT_EQ(coarse, 3u);
}

TEST(AmpWire, ValueFormatsOfTheQ2904) {
    auto sim = SimProcess::start("q2904");
    auto sys = open_tcp(kQ2904, *sim);
    ASSERT_EQ(sys->result(), 0);
    size_t mark = log_mark(*sim);
    ASSERT_EQ(set_ch_float(sys->handle(), "Threshold", 0, 1234.6f), 0);
    ASSERT_EQ(set_ch_float(sys->handle(), "OffsetAdj", 15, 65535), 0);
    auto cmds = commands(*sim, mark);
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0], "$BD:00,CMD:SET,CH:0,PAR:THR,VAL:1235");
    EXPECT_EQ(cmds[1], "$BD:00,CMD:SET,CH:15,PAR:OFFADJTST,VAL:65535");
}

TEST(AmpWire, ValueFormatsOfTheP731X) {
    auto sim = SimProcess::start("p731x");
    auto sys = open_tcp(kP731X, *sim);
    ASSERT_EQ(sys->result(), 0);
    int h = sys->handle();
    size_t mark = log_mark(*sim);
    ASSERT_EQ(set_ch_float(h, "FineGain", 5, 100), 0);
    ASSERT_EQ(set_ch_float(h, "FineGain", 5, 7), 0);
    ASSERT_EQ(set_ch_float(h, "PoleZAdj", 5, 7.4f), 0);
    float offset = 9;
    unsigned short slot = 0;
    ASSERT_EQ(ZEVAHV_SetBdParam(h, 1, &slot, "Offset", &offset), 0);
    auto cmds = commands(*sim, mark);
    ASSERT_EQ(cmds.size(), 4u);
    EXPECT_EQ(cmds[0], "$BD:00,CMD:SET,CH:5,PAR:FGAIN,VAL:100");
    EXPECT_EQ(cmds[1], "$BD:00,CMD:SET,CH:5,PAR:FGAIN,VAL:007");
    EXPECT_EQ(cmds[2], "$BD:00,CMD:SET,CH:5,PAR:PZADJ,VAL:007");
    EXPECT_EQ(cmds[3], "$BD:00,CMD:SET,PAR:OFFSET,VAL:009");

    // LastCh is read-only and reads as a whole number.
    sim_set(*sim, "LASTCH", -1, "12");
    float last = -1;
    ASSERT_EQ(ZEVAHV_GetBdParam(h, 1, &slot, "LastCh", &last), 0);
    EXPECT_EQ(last, 12.0f);
}

// One value for several channels goes out one command per channel in the
// caller's order; refusals by the module are reported, not swallowed.
TEST(AmpWire, SeveralChannelsAndRefusals) {
    auto sim = SimProcess::start("q2906", {"--boards", "2"});
    auto sys = open_tcp(kQ2906, *sim, 2);
    ASSERT_EQ(sys->result(), 0);
    int h = sys->handle();

    unsigned short chs[] = {15, 0, 7};
    float thr = 300;
    size_t mark = log_mark(*sim);
    ASSERT_EQ(ZEVAHV_SetChParam(h, 0, "Threshold", 3, chs, &thr), 0);
    auto cmds = commands(*sim, mark);
    ASSERT_EQ(cmds.size(), 3u);
    EXPECT_EQ(cmds[0], "$BD:02,CMD:SET,CH:15,PAR:THR,VAL:300");
    EXPECT_EQ(cmds[1], "$BD:02,CMD:SET,CH:0,PAR:THR,VAL:300");
    EXPECT_EQ(cmds[2], "$BD:02,CMD:SET,CH:7,PAR:THR,VAL:300");
    float got[3] = {};
    ASSERT_EQ(ZEVAHV_GetChParam(h, 0, "Threshold", 3, chs, got), 0);
    for (float g : got) EXPECT_EQ(g, 300.0f);

    // Out of the module's range: refused, and the module keeps its value.
    EXPECT_EQ(set_ch_float(h, "Threshold", 7, 5000), ZEVAHV_ERR_WRITE);
    EXPECT_EQ(std::atof(sim_get(*sim, "THR", 7, 2).c_str()), 300.0);
    EXPECT_EQ(set_ch_uint(h, "Shape", 7, 3), ZEVAHV_ERR_WRITE);

    // Unknown names and a board slot beyond the module.
    EXPECT_EQ(set_ch_float(h, "Thresh", 7, 1), ZEVAHV_ERR_PARAMNOTFOUND);
    float v = 0;
    EXPECT_EQ(get_ch_float(h, "Thresh", 7, &v), ZEVAHV_ERR_PARAMNOTFOUND);

    // In local control the module refuses every setting; reading goes on.
    ASSERT_EQ(sim->control("local 2 on").rfind("OK", 0), 0u);
    EXPECT_EQ(set_ch_float(h, "Threshold", 7, 100), ZEVAHV_ERR_WRITE);
    EXPECT_EQ(get_ch_float(h, "Threshold", 7, &v), 0);
    EXPECT_EQ(v, 300.0f);
    ASSERT_EQ(sim->control("local 2 off").rfind("OK", 0), 0u);
    EXPECT_EQ(set_ch_float(h, "Threshold", 7, 100), 0);

    // A module that does not answer: the read fails and the next one works.
    ASSERT_EQ(sim->control("fault-once silent").rfind("OK", 0), 0u);
    EXPECT_EQ(get_ch_float(h, "Threshold", 7, &v), ZEVAHV_ERR_READ);
    EXPECT_EQ(get_ch_float(h, "Threshold", 7, &v), 0);
    EXPECT_EQ(v, 100.0f);
}

}  // namespace
