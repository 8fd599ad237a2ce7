// The register models behind the entry points.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "ZEVAComm.h"
#include "device.h"
#include "result.h"

using namespace zevacomm;

namespace {

std::unique_ptr<Device> built_in(Kind k) {
    Model m;
    std::string error;
    EXPECT_TRUE(parse_model(default_model_text(k), &m, &error)) << error;
    return make_device(m);
}

std::uint16_t read(Device& d, unsigned a) {
    std::uint16_t v = 0;
    EXPECT_EQ(d.read16(a, &v), kOk) << std::hex << a;
    return v;
}

TEST(W40xxBoard, DescriptorsMasksAndIdentityInTheirRegisters) {
    auto d = built_in(Kind::W40xx);
    EXPECT_EQ(read(*d, 0x4000), 'B' | 'd' << 8);      // "BdStatus", low byte first
    EXPECT_EQ(read(*d, 0x400A) & 0xFF, 0x03);          // type byte: board status, read-only
    EXPECT_EQ(read(*d, 0x4400), 0x0007);               // the board: descriptors 0-2
    EXPECT_EQ(read(*d, 0x4404), 0xFFE0);               // channel 0: descriptors 5-17
    EXPECT_EQ(read(*d, 0x4406), 0x0003);
    EXPECT_EQ(read(*d, 0x8100), 12);
    EXPECT_EQ(read(*d, 0x8116), 'W' | '4' << 8);
    EXPECT_EQ(read(*d, 0x811E), 1234);

    std::uint16_t v;
    EXPECT_EQ(d->read16(0x0081, &v), kBadAddress) << "odd";
    EXPECT_EQ(d->read16(0x10000, &v), kBadAddress);
    EXPECT_EQ(d->write16(0x4000, 1), kReadOnly);
    EXPECT_EQ(d->write16(0x8100, 1), kReadOnly);
}

TEST(Rd40xxUnit, TheQueryRegistersAnswerUntilTheControlIsWrittenBack) {
    auto d = built_in(Kind::Rd40xx);
    EXPECT_EQ(read(*d, 0x8140), 0x010A);
    EXPECT_EQ(read(*d, 0x8124), 0x0301);
    EXPECT_EQ(read(*d, 0x8126), 0x002B);
    const std::uint16_t control = read(*d, 0x1034);

    ASSERT_EQ(d->write16(0x1034, 0xB1), kOk);
    EXPECT_EQ(read(*d, 0x1038), 0x800A);
    EXPECT_EQ(read(*d, 0x1040), 0);
    EXPECT_EQ(read(*d, 0x1044), 30000);
    EXPECT_EQ(read(*d, 0x1138), 0) << "only channel 0 answers the query";
    ASSERT_EQ(d->write16(0x1034, control), kOk);
    EXPECT_EQ(read(*d, 0x1038), 0) << "a status word again";

    std::uint16_t v;
    EXPECT_EQ(d->read16(0x1022, &v), kBadAddress) << "not a register of the map";
    EXPECT_EQ(d->read16(0x1420, &v), kBadAddress) << "no fifth channel";
    EXPECT_EQ(d->write16(0x1040, 1), kReadOnly);
}

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

TEST(EntryPoints, ManyThreadsOnOneHandle) {
    int h = -1, number = 1;
    ASSERT_EQ(ZEVAComm_OpenDevice2(ZEVACOMM_LINK_USB, &number, 0, 0x200000, &h), kOk);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([h, t] {
            const unsigned reg = static_cast<unsigned>(0x80 * (t + 1));
            for (int i = 0; i < 2000; ++i) {
                ASSERT_EQ(ZEVAComm_Write32(h, reg, static_cast<unsigned>(i) * 0x10001u), kOk);
                unsigned v = 0;
                ASSERT_EQ(ZEVAComm_Read32(h, reg, &v), kOk);
                ASSERT_EQ(v, static_cast<unsigned>(i) * 0x10001u) << "both halves together";
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(ZEVAComm_CloseDevice(h), kOk);
}

}  // namespace
