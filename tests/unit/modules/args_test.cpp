// Connection arguments of the module families.
#include <gtest/gtest.h>

#include "modules/args.h"

using namespace zevahv::modules;

TEST(ModuleArgs, SerialFieldsAndDefaults) {
    LinkArgs a;
    ASSERT_TRUE(parse_serial_arg("COM3_19200_7_2_1_2", ArgForm::PortSettingsBoard, 0, &a));
    EXPECT_TRUE(a.serial);
    EXPECT_EQ(a.port_name, "COM3");
    EXPECT_EQ(a.com_number, 3);
    EXPECT_EQ(a.baud, 19200);
    EXPECT_EQ(a.data_bits, 7);
    EXPECT_EQ(a.stop_bits, 2);
    EXPECT_EQ(a.parity, 1);
    EXPECT_EQ(a.board, 2);

    ASSERT_TRUE(parse_serial_arg("COM12", ArgForm::PortSettingsBoard, 0, &a));
    EXPECT_EQ(a.com_number, 12);
    EXPECT_EQ(a.baud, 9600);
    EXPECT_EQ(a.data_bits, 8);
    EXPECT_EQ(a.stop_bits, 0);
    EXPECT_EQ(a.parity, 0);
    EXPECT_EQ(a.board, 0);
    EXPECT_EQ(a.host, "127.0.0.1");

    // A pseudo-terminal path is a port name like any other.
    ASSERT_TRUE(parse_serial_arg("/dev/pts/17_9600_8_0_0_5", ArgForm::PortSettingsBoard, 0, &a));
    EXPECT_EQ(a.port_name, "/dev/pts/17");
    EXPECT_EQ(a.com_number, 17);
    EXPECT_EQ(a.board, 5);
}

TEST(ModuleArgs, SerialFormsWithoutBoardOrWithComNumber) {
    LinkArgs a;
    // Families without a board address ignore a sixth field.
    ASSERT_TRUE(parse_serial_arg("COM5_9600_8_0_0_3", ArgForm::PortSettings, -1, &a));
    EXPECT_EQ(a.board, -1);
    ASSERT_TRUE(parse_serial_arg("4_38400_8_0_0_9", ArgForm::ComNumberSettings, 0, &a));
    EXPECT_EQ(a.com_number, 4);
    EXPECT_EQ(a.port_name, "COM4");
    EXPECT_EQ(a.baud, 38400);
    EXPECT_FALSE(parse_serial_arg("COM4_38400", ArgForm::ComNumberSettings, 0, &a));
    // A device path is a port as for the other families.
    ASSERT_TRUE(parse_serial_arg("/dev/pts/12_19200", ArgForm::ComNumberSettings, 0, &a));
    EXPECT_EQ(a.port_name, "/dev/pts/12");
    EXPECT_EQ(a.com_number, 12);
    EXPECT_EQ(a.baud, 19200);
}

TEST(ModuleArgs, BadSerialArgumentsAreRefused) {
    LinkArgs a;
    EXPECT_FALSE(parse_serial_arg("", ArgForm::PortSettingsBoard, 0, &a));
    EXPECT_FALSE(parse_serial_arg("_9600", ArgForm::PortSettingsBoard, 0, &a));
    EXPECT_FALSE(parse_serial_arg("ttyUSB", ArgForm::PortSettingsBoard, 0, &a));
    // Fields that are not numbers count as 0, huge ones do not overflow.
    ASSERT_TRUE(parse_serial_arg("COM1_fast_8_0_0_x", ArgForm::PortSettingsBoard, 0, &a));
    EXPECT_EQ(a.baud, 0);
    EXPECT_EQ(a.board, 0);
    ASSERT_TRUE(parse_serial_arg("COM1_99999999999999999999", ArgForm::PortSettingsBoard, 0, &a));
    EXPECT_GT(a.baud, 0);
}

TEST(ModuleArgs, TcpAddressBoardAndPortSuffix) {
    LinkArgs a;
    ASSERT_TRUE(parse_tcp_arg("192.168.0.7_3", ArgForm::PortSettingsBoard, 0, 1470, &a));
    EXPECT_FALSE(a.serial);
    EXPECT_EQ(a.host, "192.168.0.7");
    EXPECT_EQ(a.port_name, "192.168.0.7");
    EXPECT_EQ(a.tcp_port, 1470);
    EXPECT_EQ(a.board, 3);

    ASSERT_TRUE(parse_tcp_arg("127.0.0.1:47001_2", ArgForm::PortSettingsBoard, 0, 1470, &a));
    EXPECT_EQ(a.host, "127.0.0.1");
    EXPECT_EQ(a.tcp_port, 47001);
    // The address text keeps its suffix: it is what the event connection
    // announces and what slots share a link by.
    EXPECT_EQ(a.port_name, "127.0.0.1:47001");
    EXPECT_EQ(a.board, 2);

    ASSERT_TRUE(parse_tcp_arg("10.0.0.1", ArgForm::PortSettingsBoard, 0, 23, &a));
    EXPECT_EQ(a.board, 0);
    ASSERT_TRUE(parse_tcp_arg("10.0.0.1_4", ArgForm::PortSettings, -1, 1470, &a));
    EXPECT_EQ(a.board, -1);

    for (const char *bad : {"", "_1", "1.2.3.4:", "1.2.3.4:0", "1.2.3.4:65536",
                            "1.2.3.4:12ab", ":80", "1.2.3.4:999999"})
        EXPECT_FALSE(parse_tcp_arg(bad, ArgForm::PortSettingsBoard, 0, 1470, &a)) << bad;
}

TEST(ModuleArgs, BaudRatesOutsideTheListBecome115200) {
    EXPECT_EQ(effective_baud(9600), 9600);
    EXPECT_EQ(effective_baud(256000), 256000);
    EXPECT_EQ(effective_baud(12345), 115200);
    EXPECT_EQ(effective_baud(0), 115200);
}
