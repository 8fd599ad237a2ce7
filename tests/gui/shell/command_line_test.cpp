// Velmora's start-up arguments.
#include <gtest/gtest.h>

#include "commandline.h"

TEST(CommandLine, ConnectionsAndScreenshot)
{
    const StartupOptions o = parseStartupOptions(
        {"Velmora", "--connect", "P731X,TCP/IP,127.0.0.1:47001_0,Amp1", "--connect", "q2906,VCP USB,/dev/pts/3_9600_8_0_0_2",
         "--screenshot", "shot.png", "--after", "2.5"});
    ASSERT_TRUE(o.error.isEmpty()) << o.error.toStdString();
    ASSERT_EQ(o.connections.size(), 2);
    EXPECT_EQ(o.connections[0].systemType, 8);
    EXPECT_EQ(o.connections[0].linkType, 0);
    EXPECT_EQ(o.connections[0].argument, "127.0.0.1:47001_0");
    EXPECT_EQ(o.connections[0].name, "Amp1");
    EXPECT_EQ(o.connections[1].systemType, 15);
    EXPECT_EQ(o.connections[1].linkType, 5);
    EXPECT_EQ(o.connections[1].name, "");
    EXPECT_EQ(o.screenshotFile, "shot.png");
    EXPECT_DOUBLE_EQ(o.screenshotAfterSeconds, 2.5);
}

TEST(CommandLine, MistakesAreReportedNotGuessed)
{
    EXPECT_FALSE(parseStartupOptions({"Velmora", "--connect"}).error.isEmpty());
    EXPECT_FALSE(parseStartupOptions({"Velmora", "--connect", "XYZ,TCP/IP,1.2.3.4_0"}).error.isEmpty());
    EXPECT_FALSE(parseStartupOptions({"Velmora", "--connect", "P731X,SERIAL,1.2.3.4_0"}).error.isEmpty());
    EXPECT_FALSE(parseStartupOptions({"Velmora", "--connect", "P731X,TCP/IP"}).error.isEmpty());
    EXPECT_FALSE(parseStartupOptions({"Velmora", "--connect", "P731X,TCP/IP,,Amp"}).error.isEmpty());
    EXPECT_FALSE(parseStartupOptions({"Velmora", "--connect", "P731X,TCP/IP," + QString(256, 'x')}).error.isEmpty());
    // A long device path is taken whole.
    EXPECT_TRUE(parseStartupOptions({"Velmora", "--connect", "Q2906,VCP USB," + QString(100, 'p') + "_9600_8_0_0_0"})
                    .error.isEmpty());
    EXPECT_FALSE(parseStartupOptions({"Velmora", "--after", "3"}).error.isEmpty());
    EXPECT_FALSE(parseStartupOptions({"Velmora", "--screenshot", "a.png", "--after", "soon"}).error.isEmpty());
    EXPECT_FALSE(parseStartupOptions({"Velmora", "--bogus"}).error.isEmpty());
    EXPECT_TRUE(parseStartupOptions({"Velmora"}).error.isEmpty());
}
