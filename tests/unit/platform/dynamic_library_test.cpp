// Run-time loading: found and missing libraries and symbols.
#include <cstring>

#include <gtest/gtest.h>

#include "platform/dynamic_library.h"

using zevahv::platform::DynamicLibrary;

TEST(DynamicLibrary, LoadsAndResolvesThroughTheLoaderPath) {
    DynamicLibrary lib;
    ASSERT_TRUE(lib.open("libc.so.6")) << lib.error();
    auto len = lib.function<std::size_t (*)(const char *)>("strlen");
    ASSERT_NE(len, nullptr);
    EXPECT_EQ(len("ZEVAHV"), 6u);
    EXPECT_EQ(lib.symbol("no_such_symbol_anywhere"), nullptr);
    EXPECT_FALSE(lib.error().empty());

    DynamicLibrary moved(std::move(lib));
    EXPECT_TRUE(moved.is_open());
    EXPECT_FALSE(lib.is_open());
    moved.close();
    EXPECT_EQ(moved.symbol("strlen"), nullptr);

    EXPECT_FALSE(lib.open("libZEVANoSuchLibrary.so"));
    EXPECT_NE(lib.error().find("libZEVANoSuchLibrary"), std::string::npos);
}

