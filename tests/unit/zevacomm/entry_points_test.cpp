// The entry points: what they refuse, and a multi-read with a bad address.
#include <gtest/gtest.h>

#include "ZEVAComm.h"
#include "result.h"

using namespace zevacomm;

namespace {

TEST(EntryPoints, RefuseBadArgumentsAndFlagBadAddresses) {
    int h = -1;
    int number = 0;
    EXPECT_EQ(ZEVAComm_OpenDevice2(ZEVACOMM_LINK_USB, nullptr, 0, 0, &h), kBadArgument);
    EXPECT_EQ(ZEVAComm_OpenDevice2(3, &number, 0, 0, &h), kBadArgument);
    EXPECT_EQ(ZEVAComm_OpenDevice2(ZEVACOMM_LINK_USB, &number, -1, 0, &h), kBadArgument);
    EXPECT_EQ(ZEVAComm_OpenDevice2(ZEVACOMM_LINK_TCPIP, const_cast<char*>("10.0.0.1 x"), 0, 0, &h),
              kBadArgument);
    unsigned short v;
    EXPECT_EQ(ZEVAComm_Read16(4711, 0x8100, &v), kBadHandle);

    ASSERT_EQ(ZEVAComm_OpenDevice2(ZEVACOMM_LINK_OPTLINK, &number, 0, 0x100000, &h), kOk);
    unsigned addrs[3] = {0x8100, 0x8101, 0x811E};
    unsigned short values[3] = {};
    int errors[3] = {9, 9, 9};
    EXPECT_NE(ZEVAComm_MultiRead16(h, addrs, 3, values, errors), kOk);
    EXPECT_EQ(errors[0], kOk);
    EXPECT_EQ(values[0], 12);
    EXPECT_EQ(errors[1], kBadAddress);
    EXPECT_EQ(errors[2], kOk);
    EXPECT_EQ(values[2], 1234);
    EXPECT_EQ(ZEVAComm_MultiRead16(h, addrs, -1, values, errors), kBadArgument);
    EXPECT_EQ(ZEVAComm_CloseDevice(h), kOk);
    EXPECT_EQ(ZEVAComm_CloseDevice(h), kBadHandle);
}

}  // namespace
