// Opening the amplifier families: over TCP and over a serial line, the
// identity they report, and refusal of a module of another model.
#include <gtest/gtest.h>

#include <cstring>

#include "amp_support.h"

namespace {

class AmpOpen : public ::testing::TestWithParam<const AmpFamily*> {};

// The identity read at open shows in the crate map, the channel names and
// the channel parameter lists.
void expect_identity(int h, const char* model, unsigned short serial = 4242) {
    unsigned short nslots = 0, *nch = nullptr, *serials = nullptr;
    char *models = nullptr, *descs = nullptr;
    unsigned char *fmin = nullptr, *fmax = nullptr;
    ASSERT_EQ(ZEVAHV_GetCrateMap(h, &nslots, &nch, &models, &descs, &serials, &fmin, &fmax), 0);
    ASSERT_EQ(nslots, 1);
    EXPECT_EQ(nch[0], 16);
    EXPECT_STREQ(models, model);
    EXPECT_STREQ(descs, "");
    EXPECT_EQ(serials[0], serial);
    EXPECT_EQ(fmax[0], 3);
    EXPECT_EQ(fmin[0], 14);
    for (void* p : {(void*)nch, (void*)models, (void*)descs, (void*)serials, (void*)fmin,
                    (void*)fmax})
        ZEVAHV_Free(p);

    unsigned short chs[16];
    char names[16][ZEVAHV_MAX_CH_NAME];
    for (int i = 0; i < 16; ++i) chs[i] = static_cast<unsigned short>(i);
    ASSERT_EQ(ZEVAHV_GetChName(h, 0, 16, chs, names), 0);
    EXPECT_STREQ(names[0], "CH00");
    EXPECT_STREQ(names[9], "CH09");
    EXPECT_STREQ(names[15], "CH15");
    unsigned short beyond = 16;
    EXPECT_EQ(ZEVAHV_GetChName(h, 0, 1, &beyond, names), ZEVAHV_ERR_OUTOFRANGE);

    char* list = nullptr;
    int count = 0;
    ASSERT_EQ(ZEVAHV_GetChParamInfo(h, 0, 15, &list, &count), 0);
    EXPECT_EQ(static_cast<int>(name_list(list).size()), count);
    EXPECT_GT(count, 0);
    list = nullptr;
    EXPECT_EQ(ZEVAHV_GetChParamInfo(h, 0, 16, &list, &count), ZEVAHV_ERR_OUTOFRANGE);
}

TEST_P(AmpOpen, OpensOverTcpAndReportsIdentity) {
    const AmpFamily& f = *GetParam();
    auto sim = SimProcess::start(f.device, {"--serial", "4242", "--fwrel", "3.14"});
    auto sys = open_tcp(f, *sim);
    ASSERT_EQ(sys->result(), 0);
    expect_identity(sys->handle(), f.model);
    // The identification asks the serial number as SERNUM and never BDNCH:
    // the channel count of these modules is fixed.
    auto cmds = commands(*sim);
    ASSERT_GE(cmds.size(), 3u);
    EXPECT_EQ(cmds[0], "$BD:00,CMD:MON,PAR:BDNAME");
    EXPECT_EQ(cmds[1], "$BD:00,CMD:MON,PAR:BDFREL");
    EXPECT_EQ(cmds[2], "$BD:00,CMD:MON,PAR:SERNUM");
    for (const auto& c : cmds) EXPECT_EQ(c.find("BDNCH"), std::string::npos) << c;
}

TEST_P(AmpOpen, OpensOverSerialWithTwoBoardsOnOneLine) {
    const AmpFamily& f = *GetParam();
    auto sim = SimProcess::start(f.device, {"--pty", "--boards", "0,3", "--serial", "4242",
                                            "--fwrel", "3.14"});
    auto first = open_serial(f, *sim, 0);
    auto second = open_serial(f, *sim, 3);
    ASSERT_EQ(first->result(), 0);
    ASSERT_EQ(second->result(), 0);
    // The simulator numbers the serials of a line's boards upward.
    expect_identity(first->handle(), f.model, 4242);
    expect_identity(second->handle(), f.model, 4243);

    // Each system addresses its own board on the shared line, and the line
    // stays open for the second when the first closes.
    float v = 0;
    first->close();
    size_t mark = log_mark(*sim);
    unsigned short ch = 2;
    ASSERT_EQ(ZEVAHV_GetChParam(second->handle(), 0, f.num_par, 1, &ch, &v), 0);
    auto cmds = commands(*sim, mark);
    ASSERT_FALSE(cmds.empty());
    EXPECT_EQ(cmds.back(), std::string("$BD:03,CMD:MON,CH:2,PAR:") + f.num_mnemonic);
}

TEST_P(AmpOpen, RefusesAModuleOfAnotherModel) {
    const AmpFamily& f = *GetParam();
    {
        auto sim = SimProcess::start(f.device, {"--model", "XYZ"});
        auto sys = open_tcp(f, *sim);
        EXPECT_EQ(sys->result(), ZEVAHV_ERR_OPENFAILED);
        // Nothing but the identification was tried on the refused module.
        for (const auto& c : commands(*sim)) EXPECT_EQ(c.find("CH:"), std::string::npos) << c;
    }
    // Every family requires its own word: the other two are refused as well,
    // on a serial line too, and a refused open leaves nothing behind that
    // would stop the right module from opening afterwards.
    auto sim = SimProcess::start(f.device, {"--pty"});
    for (const AmpFamily* other : {&kQ2906, &kQ2904, &kP731X}) {
        if (other == &f) continue;
        OpenSystem wrong(other->system_type, ZEVAHV_LINK_USBVCP, sim->serial_arg(0));
        EXPECT_EQ(wrong.result(), ZEVAHV_ERR_OPENFAILED) << other->model << " on " << f.model;
    }
    auto right = open_serial(f, *sim);
    EXPECT_EQ(right->result(), 0);
}

TEST_P(AmpOpen, AcceptsModelNamesThatContainTheWord) {
    const AmpFamily& f = *GetParam();
    std::string model = std::string(f.model) + "GE";
    auto sim = SimProcess::start(f.device, {"--model", model, "--serial", "4242", "--fwrel",
                                            "3.14"});
    auto sys = open_tcp(f, *sim);
    ASSERT_EQ(sys->result(), 0);
    expect_identity(sys->handle(), model.c_str());
}

INSTANTIATE_TEST_SUITE_P(Families, AmpOpen, ::testing::Values(&kQ2906, &kQ2904, &kP731X),
                         [](const auto& info) { return std::string(info.param->model); });

}  // namespace
