// Names and lists: system and link names, monitor items, the library's
// name lists, legacy event records, system property values, tables.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "ZEVAHVLink.h"
#include "catalog.h"
#include "event_stream.h"
#include "failure.h"
#include "items.h"
#include "names.h"
#include "output.h"
#include "sysprops.h"
#include "words.h"

namespace zcli {
namespace {

TEST(Names, TypesAndLinksByNameAliasOrCode) {
    EXPECT_EQ(system_type_code("p731x"), ZEVAHV_SYS_P731X);
    EXPECT_EQ(system_type_code("KR2550"), ZEVAHV_SYS_KR2550);
    EXPECT_EQ(system_type_code("12"), 12);
    EXPECT_FALSE(system_type_code("p731"));
    EXPECT_FALSE(system_type_code("-1"));
    EXPECT_FALSE(system_type_code("8x"));
    EXPECT_EQ(link_type_code("tcp/ip"), ZEVAHV_LINK_TCPIP);
    EXPECT_EQ(link_type_code("TCP"), ZEVAHV_LINK_TCPIP);
    EXPECT_EQ(link_type_code("vcp"), ZEVAHV_LINK_USBVCP);
    EXPECT_EQ(link_type_code("b7301"), ZEVAHV_LINK_B7301);
    EXPECT_EQ(system_type_name(ZEVAHV_SYS_Q2906), "Q2906");
    EXPECT_EQ(system_type_name(4), "4");
}

TEST(Items, EveryFormAndTheMalformed) {
    ItemRequest bare = parse_item("VMon");
    EXPECT_FALSE(bare.slot);
    EXPECT_FALSE(bare.channels);
    EXPECT_EQ(bare.name, "VMon");
    ItemRequest board = parse_item("3.Alarm");
    EXPECT_EQ(board.slot, 3u);
    EXPECT_FALSE(board.channels);
    ItemRequest chan = parse_item("0.0-3,7.VMon");
    EXPECT_EQ(chan.slot, 0u);
    EXPECT_EQ(chan.channels, "0-3,7");
    EXPECT_EQ(chan.name, "VMon");
    ItemRequest sys = parse_item("SYS.HVFanSpeed");
    EXPECT_TRUE(sys.system);
    EXPECT_EQ(sys.name, "HVFanSpeed");
    for (const char* bad : {"", ".VMon", "x.VMon", "0.", "0..VMon", "0.1.2.VMon", "-1.VMon"})
        EXPECT_THROW(parse_item(bad), Failure) << bad;
    EXPECT_EQ(item_label(0, 3, "VMon"), "0.3.VMon");
    EXPECT_EQ(item_label(2, -1, "Alarm"), "2.Alarm");
    EXPECT_EQ(item_label(-1, -1, "ModelName"), "ModelName");
}

TEST(LibraryLists, NameFieldsEndAtTheEmptyFieldOrTheLimit) {
    char list[4 * ZEVAHV_MAX_PARAM_NAME] = {};
    std::strcpy(list, "VSet");
    std::strcpy(list + ZEVAHV_MAX_PARAM_NAME, "VMon");
    EXPECT_EQ(split_param_fields(list, 100), (std::vector<std::string>{"VSet", "VMon"}));
    EXPECT_EQ(split_param_fields(list, 1), (std::vector<std::string>{"VSet"}));
    // A field that fills all ten bytes is read without running on.
    std::memcpy(list, "ABCDEFGHIJ", 10);
    EXPECT_EQ(split_param_fields(list, 1)[0], "ABCDEFGHIJ");
    EXPECT_TRUE(split_param_fields(nullptr, 5).empty());

    const char packed[] = "Kill\0ClearAlarm\0";
    EXPECT_EQ(split_packed(packed, 2), (std::vector<std::string>{"Kill", "ClearAlarm"}));
    EXPECT_TRUE(split_packed(packed, 0).empty());
}

TEST(EventNames, LegacyRecordsAndFullItemNames) {
    Event e;
    split_item_name("ZEVA_KR2210_HVL_000.Board01.Chan002.VMon", e);
    EXPECT_EQ(e.slot, 1);
    EXPECT_EQ(e.channel, 2);
    EXPECT_EQ(e.item, "VMon");
    split_item_name("ZEVA_KR2210_HVL_000.Board11.BdAlarm", e);
    EXPECT_EQ(e.slot, 11);
    EXPECT_EQ(e.channel, -1);
    split_item_name("ZEVA_KR2210_HVL_000.ModelName", e);
    EXPECT_EQ(e.slot, -1);
    EXPECT_EQ(e.item, "ModelName");

    // The records as the library writes them: the level (0 channel, 1
    // board, 2 system, 3 a notice), the name as subscribed at 1, the number
    // at 65 and a text at 69.
    std::vector<char> records(4 * 325, 0);
    records[0] = 0;
    std::strcpy(records.data() + 1, "SYS.Board03.CHAN010.VSet");
    float v = 1500.5f;
    std::memcpy(records.data() + 65, &v, 4);
    records[325] = 2;
    std::memset(records.data() + 325 + 1, 'N', 64);   // a name without terminator
    std::memset(records.data() + 325 + 69, 'T', 256);  // a text without terminator
    records[650] = 3;
    std::strcpy(records.data() + 650 + 1, "SYS.KeepAlive");
    records[975] = 3;
    std::strcpy(records.data() + 975 + 1, "SYS.LiveInsRem");
    unsigned raw = 0x0201;
    std::memcpy(records.data() + 975 + 65, &raw, 4);
    auto events = legacy_events(records.data(), 4);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].kind, ZEVAHV_EVENT_PARAMETER);
    EXPECT_EQ(events[0].slot, 3);
    EXPECT_EQ(events[0].channel, 10);
    EXPECT_EQ(events[0].item, "VSet");
    EXPECT_FALSE(events[0].has_text);
    float got;
    std::memcpy(&got, events[0].value.data(), 4);
    EXPECT_EQ(got, v);
    EXPECT_EQ(events[1].item.size(), 64u);
    EXPECT_EQ(events[1].legacy_text.size(), 256u);
    EXPECT_TRUE(events[1].has_text);
    EXPECT_EQ(events[2].kind, ZEVAHV_EVENT_KEEPALIVE);
    EXPECT_EQ(events[3].kind, ZEVAHV_EVENT_LIVEINSERTION);
    EXPECT_EQ(events[3].value[0], 1);
}

TEST(EventValues, SystemPropertiesAsTheyArrive) {
    // The current crates' reader does not say whether a value came as a
    // text or a number: a text property that arrives as a number (a clock
    // setting, 256) is shown as one.
    Event number;
    number.value.assign(1024, 0);
    number.value[1] = 1;
    EXPECT_EQ(show_sysprop_event(ZEVAHV_SYSPROP_TYPE_STR, number).value, 256);
    Event text;
    text.value.assign(1024, 0);
    std::strcpy(reinterpret_cast<char*>(text.value.data()), "HV crate 1");
    EXPECT_EQ(show_sysprop_event(ZEVAHV_SYSPROP_TYPE_STR, text).text, "HV crate 1");
    EXPECT_EQ(show_sysprop_event(ZEVAHV_SYSPROP_TYPE_UINT2, number).value, 256);
    // The legacy reader says which it was.
    Event legacy = number;
    legacy.legacy = true;
    legacy.has_text = true;
    legacy.legacy_text = "9600_8_N_1_0";
    EXPECT_EQ(show_sysprop_event(ZEVAHV_SYSPROP_TYPE_STR, legacy).text, "9600_8_N_1_0");
    legacy.has_text = false;
    EXPECT_EQ(show_sysprop_event(ZEVAHV_SYSPROP_TYPE_STR, legacy).value, 256);
}

TEST(EventPort, ListensWhereTheSystemCanReachIt) {
    using P = EventPath;
    EXPECT_EQ(default_listen_address("127.0.0.1:47001_0", P::kLocalPolling), "127.0.0.1");
    EXPECT_EQ(default_listen_address("/dev/ttyUSB0_9600_8_0_0_0", P::kLocalPolling), "127.0.0.1");
    // A module's polling thread connects from this host wherever the module is.
    EXPECT_EQ(default_listen_address("192.168.0.50_0", P::kLocalPolling), "127.0.0.1");
    EXPECT_EQ(default_listen_address("127.0.0.2:40001", P::kSystemStream), "127.0.0.1");
    EXPECT_EQ(default_listen_address("10.1.2.3", P::kSystemStream), "0.0.0.0");
    EXPECT_EQ(default_listen_address("10.1.2.3", P::kSystemDatagrams), "0.0.0.0");
    EXPECT_EQ(event_path(ZEVAHV_SYS_KR2220), P::kSystemDatagrams);
    EXPECT_EQ(event_path(ZEVAHV_SYS_KR2550), P::kSystemStream);
    EXPECT_EQ(event_path(ZEVAHV_SYS_W40XX), P::kLocalPolling);
}

TEST(BatchWords, SplitAsAShellWouldForSimpleLines) {
    using W = std::vector<std::string>;
    EXPECT_EQ(split_words("  get 0 VMon\t--channel 0-3 "), (W{"get", "0", "VMon", "--channel", "0-3"}));
    EXPECT_EQ(split_words("sysprop set SymbolicName 'HV crate 2'"),
              (W{"sysprop", "set", "SymbolicName", "HV crate 2"}));
    EXPECT_EQ(split_words(R"(set 0 Name "say \"hi\" \\ it" --channel 1)"),
              (W{"set", "0", "Name", "say \"hi\" \\ it", "--channel", "1"}));
    EXPECT_EQ(split_words("set 0 Name '' --channel 1"), (W{"set", "0", "Name", "", "--channel", "1"}));
    EXPECT_EQ(split_words("a\\ b c#d #2"), (W{"a b", "c#d", "#2"}));
    EXPECT_TRUE(split_words("   # only a comment").empty());
    EXPECT_TRUE(split_words("").empty());
    for (const char* bad : {"set 'open", "set \"open", "set \"esc\\\"", "end\\"})
        EXPECT_THROW(split_words(bad), Failure) << bad;
}

TEST(SystemProperties, ValuesInTheFormOfTheirType) {
    std::vector<char> text(16, 0);
    std::strcpy(text.data(), "KR2440");
    EXPECT_EQ(show_sysprop(ZEVAHV_SYSPROP_TYPE_STR, text).text, "KR2440");
    std::vector<char> word(4, 0);
    unsigned short s = 50000;
    std::memcpy(word.data(), &s, 2);
    EXPECT_EQ(show_sysprop(ZEVAHV_SYSPROP_TYPE_UINT2, word).value, 50000);

    SysProp fan{"HVFanSpeed", ZEVAHV_SYSPROP_MODE_RDWR, ZEVAHV_SYSPROP_TYPE_UINT2};
    auto b = encode_sysprop(fan, "0x10");
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0], 0x10);
    EXPECT_THROW(encode_sysprop(fan, "65536"), Failure);
    EXPECT_THROW(encode_sysprop(fan, "fast"), Failure);
    SysProp name{"SymbolicName", ZEVAHV_SYSPROP_MODE_RDWR, ZEVAHV_SYSPROP_TYPE_STR};
    EXPECT_EQ(encode_sysprop(name, "crate-1").size(), 256u);
    EXPECT_THROW(encode_sysprop(name, std::string(300, 'x')), Failure);
    SysProp odd{"Odd", ZEVAHV_SYSPROP_MODE_RDWR, 9};
    EXPECT_THROW(encode_sysprop(odd, "1"), Failure);
}

TEST(Tables, ColumnsAlignByCharactersNotBytes) {
    Table t({"name", "unit", "value"});
    t.add({"Temp", "°C", "21"});
    t.add({"VMon", "V", "100.2"});
    std::ostringstream out;
    t.print(out);
    std::istringstream in(out.str());
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "name  unit  value");
    EXPECT_EQ(lines[1], "Temp  °C    21");
    EXPECT_EQ(lines[2], "VMon  V     100.2");
}

}  // namespace
}  // namespace zcli
