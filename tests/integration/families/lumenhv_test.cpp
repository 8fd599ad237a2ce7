// The self-describing LUMENHV modules: rows built from what the module
// lists and describes, the command form with and without a board address,
// and descriptions the library cannot take (a result code or a row left
// out, never a crash).
#include "family_session.h"

namespace {

TEST(Lumenhv, RowsComeFromTheModulesOwnListsAndDescriptions) {
    auto sim = start_device("lumenhv", Via::Tcp);
    OpenSystem sys;
    ASSERT_EQ(open_on(sys, ZEVAHV_SYS_LUMENHV, *sim, Via::Tcp), 0);
    const int h = sys.handle();
    EXPECT_EQ(crate_map(h).model, "LUMENHV");
    EXPECT_EQ(crate_map(h).channels, 4);
    EXPECT_EQ(board_params(h),
              (std::vector<std::string>{"Temp", "BdIlk", "BdAlarm", "ClearAlar"}));
    EXPECT_EQ(channel_params(h, 3),
              (std::vector<std::string>{"VSet", "VMon", "ISet", "IMon", "RUp", "RDwn", "Trip",
                                        "PDwn", "STAT", "Pw"}));
    // Without an address in the argument: the unaddressed form throughout.
    for (const std::string& l : received(*sim)) EXPECT_EQ(l.rfind("$CMD:", 0), 0u) << l;
    EXPECT_EQ(commands_with(*sim, {"$CMD:MON,PAR:PARLIST"}), 1);
    EXPECT_EQ(commands_with(*sim, {"$CMD:MON,CH:3,PAR:PARCHLIST"}), 1);
    EXPECT_EQ(commands_with(*sim, {"$CMD:INFO,CH:2,PAR:VSet"}), 1);

    int rc = -1;
    EXPECT_FLOAT_EQ(prop_float(h, 0, "VSet", "Maxval", &rc), 3000);
    EXPECT_EQ(prop_ushort(h, 0, "VSet", "Decimal", &rc), 1);
    EXPECT_EQ(prop_ushort(h, 0, "RUp", "Unit", &rc), ZEVAHV_PARAM_UN_VPS);
    EXPECT_EQ(prop_ushort(h, 1, "IMon", "Decimal", &rc), 3);
    EXPECT_FLOAT_EQ(prop_float(h, -1, "Temp", "Minval", &rc), -20);
    EXPECT_EQ(prop_text(h, 2, "Pw", "Onstate", &rc), "ON");
    EXPECT_EQ(prop_uint(h, -1, "ClearAlarm", "Mode", &rc), 1u);

    // Values: the listed name is the word.  VSet's set format is "%05.1f":
    // the maximum's four integer digits and its one decimal.
    const unsigned short ch = 2;
    float v = 150;
    ASSERT_EQ(ZEVAHV_SetChParam(h, 0, "VSet", 1, &ch, &v), 0);
    EXPECT_EQ(received(*sim).back(), "$CMD:SET,CH:2,PAR:VSet,VAL:150.0");
    EXPECT_FLOAT_EQ(get_float(h, "VSet", ch), 150);
    unsigned on = 1;
    ASSERT_EQ(ZEVAHV_SetChParam(h, 0, "Pw", 1, &ch, &on), 0);
    EXPECT_EQ(received(*sim).back(), "$CMD:SET,CH:2,PAR:Pw,VAL:ON");
    EXPECT_EQ(get_uint(h, "Pw", ch), 1u);
    float temp = -99;
    ASSERT_EQ(get_board(h, "Temp", &temp), 0);
    EXPECT_FLOAT_EQ(temp, 31.5f);

    // A write-only switch the module described is written with its value.
    EXPECT_EQ(exec_commands(h), (std::vector<std::string>{"ClearAlarm"}));
    ASSERT_EQ(ZEVAHV_ExecComm(h, "ClearAlarm"), 0);
    EXPECT_EQ(received(*sim).back(), "$CMD:SET,PAR:ClearAlarm,VAL:YES");
}

// The eight-channel description: other names, parameters on some channels
// only, an index, and a unit no client knows.
TEST(Lumenhv, ASecondDescriptionWithChannelsOfTheirOwn) {
    const std::string file = std::string(ZEVAHV_SOURCE_DIR) + "/sim/devices/lumenhv/eight-channel.json";
    auto sim = start_device("lumenhv", Via::Tcp, {"--describe", file});
    OpenSystem sys;
    ASSERT_EQ(open_on(sys, ZEVAHV_SYS_LUMENHV, *sim, Via::Tcp), 0);
    const int h = sys.handle();
    EXPECT_EQ(crate_map(h).channels, 8);
    EXPECT_EQ(exec_commands(h), (std::vector<std::string>{"Reset", "Identify"}));
    const std::vector<std::string> ch0 = channel_params(h, 0);
    const std::vector<std::string> ch5 = channel_params(h, 5);
    const std::vector<std::string> ch6 = channel_params(h, 6);
    EXPECT_NE(std::find(ch0.begin(), ch0.end(), "Gain"), ch0.end());
    EXPECT_EQ(std::find(ch5.begin(), ch5.end(), "Gain"), ch5.end());
    EXPECT_NE(std::find(ch6.begin(), ch6.end(), "Flow"), ch6.end());

    int rc = -1;
    EXPECT_EQ(prop_ushort(h, 6, "Flow", "Unit", &rc), ZEVAHV_PARAM_UN_NONE) << "furlong";
    EXPECT_EQ(prop_ushort(h, 0, "Rate", "Unit", &rc), ZEVAHV_PARAM_UN_HERTZ);
    EXPECT_EQ(prop_uint(h, 1, "Gain", "Type", &rc), 6u);
    float flow = 0;
    const unsigned short six = 6, five = 5;
    EXPECT_EQ(ZEVAHV_GetChParam(h, 0, "Flow", 1, &six, &flow), 0);
    EXPECT_FLOAT_EQ(flow, 2.5f);
    EXPECT_EQ(ZEVAHV_GetChParam(h, 0, "Flow", 1, &five, &flow), ZEVAHV_ERR_PARAMNOTFOUND);
    unsigned gain = 3;
    const unsigned short one = 1;
    ASSERT_EQ(ZEVAHV_SetChParam(h, 0, "Gain", 1, &one, &gain), 0);
    EXPECT_EQ(received(*sim).back(), "$CMD:SET,CH:1,PAR:Gain,VAL:3");
    EXPECT_EQ(get_uint(h, "Gain", one), 3u);
    char label[64] = {};
    ASSERT_EQ(get_board(h, "Label", label), 0);
    EXPECT_STREQ(label, "crate 3 slot 7");
    ASSERT_EQ(ZEVAHV_ExecComm(h, "Identify"), 0);
    EXPECT_EQ(received(*sim).back(), "$CMD:SET,PAR:Identify") << "a command is a bare word";
}

// With a board address in the argument every command names it, in plain
// decimal; over TCP ("ip_board") as over a serial line.
TEST(Lumenhv, ABoardAddressInTheArgumentAddressesEveryCommand) {
    for (Via via : {Via::Tcp, Via::Serial}) {
        auto sim = start_device("lumenhv", via, {"--boards", "3,12"});
        {
            OpenSystem sys;
            ASSERT_EQ(open_on(sys, ZEVAHV_SYS_LUMENHV, *sim, via, "_12"), 0);
            const std::vector<std::string> lines = received(*sim);
            ASSERT_FALSE(lines.empty());
            for (const std::string& l : lines) EXPECT_EQ(l.rfind("$BD:12,CMD:", 0), 0u) << l;
            EXPECT_EQ(crate_map(sys.handle()).serial, 1002) << "board 12 is the second";

            EventStream events;
            char results[1];
            ASSERT_EQ(ZEVAHV_SubscribeChannelParams(sys.handle(), static_cast<short>(events.port()),
                                                    0, 1, "VMon", 1, results),
                      0);
            ASSERT_TRUE(events.accept());
            EXPECT_EQ(events.ident(),
                      (via == Via::Tcp ? tcp_address(*sim) : serial_settings(*sim)) + "_12");
            EXPECT_TRUE(events.frame_with({"VMon/1"}, 3));
        }
        // Without one: the unaddressed form, which the first board answers.
        OpenSystem plain;
        ASSERT_EQ(open_on(plain, ZEVAHV_SYS_LUMENHV, *sim, via), 0);
        EXPECT_EQ(crate_map(plain.handle()).serial, 1001);
        EXPECT_EQ(received(*sim).back().rfind("$CMD:", 0), 0u);
    }
}

// Long names: the first 15 characters name the row, the lists give 9, and
// the module's own word goes on the wire whole.
TEST(Lumenhv, LongNamesAreFoundUnderTheirListedNames) {
    DescriptionFile d(R"({"model": "LHV-LONG", "channels": 2,
      "board": [{"name": "SupplyTemperatureOfTheRack", "type": 0, "mode": 0, "min": 0,
                 "max": 99, "decimals": 1, "unit": "celsius", "value": 21.5}],
      "channel": [{"name": "VoltageSetPoint", "type": 0, "mode": 2, "min": 0, "max": 500,
                   "decimals": 2, "unit": "volt", "value": 10}]})");
    auto sim = start_described(d);
    OpenSystem sys;
    ASSERT_EQ(open_on(sys, ZEVAHV_SYS_LUMENHV, *sim, Via::Tcp), 0);
    const int h = sys.handle();
    EXPECT_EQ(board_params(h), (std::vector<std::string>{"SupplyTem"}));
    EXPECT_EQ(channel_params(h, 1), (std::vector<std::string>{"VoltageSe"}));
    float t = 0;
    ASSERT_EQ(get_board(h, "SupplyTem", &t), 0);
    EXPECT_FLOAT_EQ(t, 21.5f);
    EXPECT_EQ(received(*sim).back(), "$CMD:MON,PAR:SupplyTemperatureOfTheRack");
    ASSERT_EQ(get_board(h, "SupplyTemperatu", &t), 0) << "the row's own 15 characters";
    const unsigned short ch = 1;
    float v = 12.25f;
    ASSERT_EQ(ZEVAHV_SetChParam(h, 0, "VoltageSe", 1, &ch, &v), 0);
    EXPECT_EQ(received(*sim).back(), "$CMD:SET,CH:1,PAR:VoltageSetPoint,VAL:12.25");
    EXPECT_FLOAT_EQ(get_float(h, "VoltageSetPoint", ch), 12.25f);

    // Events carry the row's name.
    EventStream events;
    char results[1];
    ASSERT_EQ(ZEVAHV_SubscribeBoardParams(h, static_cast<short>(events.port()), 0, "SupplyTem", 1,
                                          results),
              0);
    EXPECT_EQ(results[0], 0);
    ASSERT_TRUE(events.accept());
    EXPECT_TRUE(events.frame_with({"SupplyTemperatu"}, 3));
}

// What the library cannot carry: a description that does not parse fails
// the open; a parameter with absurd limits, an unknown type or a word listed
// twice is left out, and the module opens with the rest.
TEST(Lumenhv, DescriptionsItCannotTakeFailTheOpenOrLeaveTheirRowOut) {
    DescriptionFile unparsable(R"({"model": "LHV", "channels": 1, "board": [],
      "channel": [{"name": "VSet", "type": 0, "mode": 2, "min": 0, "max": 10, "decimals": 1,
                   "unit": "volt", "info": "0;2;0;10;1;;volt;;"}]})");
    {
        auto sim = start_described(unparsable);
        OpenSystem sys;
        EXPECT_EQ(open_on(sys, ZEVAHV_SYS_LUMENHV, *sim, Via::Tcp), ZEVAHV_ERR_OPENFAILED)
            << "eight separators";
    }
    DescriptionFile odd(R"({"model": "LHV", "channels": 1,
      "board": [
        {"name": "Huge", "type": 0, "mode": 0, "min": 0, "max": 1, "decimals": 1,
         "info": "0;0;0;1e300;1;;volt;;;"},
        {"name": "Backwards", "type": 0, "mode": 0, "min": 0, "max": 1, "decimals": 1,
         "info": "0;0;10;-10;1;;volt;;;"},
        {"name": "NoType", "type": 0, "mode": 0, "min": 0, "max": 1, "decimals": 1,
         "info": "9;0;0;1;1;;;;;"},
        {"name": "Fine", "type": 0, "mode": 0, "min": 0, "max": 1, "decimals": 1,
         "unit": "parsec", "value": 0.5},
        {"name": "Pulse", "type": 0, "mode": 1, "min": 0, "max": 10, "decimals": 1, "unit": "volt"}
      ],
      "channel": [{"name": "VMon", "type": 0, "mode": 0, "min": 0, "max": 10, "decimals": 1,
                   "unit": "volt"}]})");
    auto sim = start_described(odd);
    OpenSystem sys;
    ASSERT_EQ(open_on(sys, ZEVAHV_SYS_LUMENHV, *sim, Via::Tcp), 0);
    EXPECT_EQ(board_params(sys.handle()), (std::vector<std::string>{"Fine", "Pulse"}));
    int rc = -1;
    EXPECT_EQ(prop_ushort(sys.handle(), -1, "Fine", "Unit", &rc), 0);
    // A write-only number goes out with its value.
    float pulse = 2.5f;
    ASSERT_EQ(set_board(sys.handle(), "Pulse", &pulse), 0);
    EXPECT_EQ(received(*sim).back(), "$CMD:SET,PAR:Pulse,VAL:2.5");
    get_float(sys.handle(), "VMon", 0, &rc);
    EXPECT_EQ(rc, 0);
}

// The row limit: 255 parameters open, one more fails the open; an empty
// list opens with no board parameters.
TEST(Lumenhv, AModuleWithMoreParametersThanRowsFailsToOpen) {
    auto words = [](int n) {
        std::string list;
        for (int i = 0; i < n; ++i) {
            const std::string name = {char('A' + i / 26), char('a' + i % 26)};
            list += std::string(i ? "," : "") + R"({"name": ")" + name +
                    R"(", "type": 2, "mode": 0})";
        }
        return list;
    };
    DescriptionFile fits(R"({"model": "LHV", "channels": 1, "board": [)" + words(255) +
                         R"(], "channel": []})");
    DescriptionFile over(R"({"model": "LHV", "channels": 1, "board": [)" + words(256) +
                         R"(], "channel": []})");
    DescriptionFile empty(R"({"model": "LHV", "channels": 1, "board": [],
      "channel": [{"name": "VMon", "type": 0, "mode": 0, "min": 0, "max": 10, "decimals": 1}]})");
    {
        auto sim = start_described(fits);
        OpenSystem sys;
        ASSERT_EQ(open_on(sys, ZEVAHV_SYS_LUMENHV, *sim, Via::Tcp), 0);
        EXPECT_EQ(board_params(sys.handle()).size(), 255u);
        unsigned v = 7;
        EXPECT_EQ(get_board(sys.handle(), "Ju", &v), 0);
    }
    {
        auto sim = start_described(over);
        OpenSystem sys;
        EXPECT_EQ(open_on(sys, ZEVAHV_SYS_LUMENHV, *sim, Via::Tcp), ZEVAHV_ERR_OPENFAILED);
        EXPECT_EQ(commands_with(*sim, {"CMD:INFO"}), 0) << "refused before describing";
    }
    auto sim = start_described(empty);
    OpenSystem sys;
    ASSERT_EQ(open_on(sys, ZEVAHV_SYS_LUMENHV, *sim, Via::Tcp), 0);
    EXPECT_TRUE(board_params(sys.handle()).empty());
    EXPECT_EQ(exec_commands(sys.handle()).size(), 0u);
}

// A system type code that no family claims is a LUMENHV module.
TEST(Lumenhv, AnUnclaimedSystemTypeOpensALumenhvModule) {
    auto sim = start_device("lumenhv", Via::Tcp);
    OpenSystem sys;
    ASSERT_EQ(open_on(sys, 20, *sim, Via::Tcp), 0);
    EXPECT_EQ(crate_map(sys.handle()).model, "LUMENHV");
    char lock[32];
    std::snprintf(lock, sizeof lock, "ZEVA_LUMENHV_HVL_%03d", sys.handle());
    EventStream events;
    char results[1] = {9};
    ASSERT_EQ(ZEVAHV_SubscribeChannelParams(sys.handle(), static_cast<short>(events.port()), 0, 0,
                                            "VMon", 1, results),
              0);
    EXPECT_EQ(results[0], 0);
    ASSERT_TRUE(events.accept());
    EXPECT_TRUE(events.frame_with({"VMon/0"}, 3));
    EXPECT_STREQ(ZEVAHVGetError(lock), "");
}

} // namespace
