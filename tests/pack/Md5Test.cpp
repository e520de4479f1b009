// MD5 against the RFC 1321 test suite and reference digests of files that
// cross the 64-byte block and 1024-byte read boundaries.
#include <gtest/gtest.h>

#include <cstring>

#include "PackTestSupport.h"
#include "pack/FileMD5.h"
#include "platform/Text.h"

namespace {

std::string HexOf(const std::wstring& path) {
    std::unique_ptr<char[]> r = GetFileMD5(platform::WideToAnsi(path).c_str(), true);
    return r ? std::string(r.get()) : std::string("(null)");
}

TEST(FileMD5, MatchesTheRfc1321TestSuite) {
    const std::pair<const char*, const char*> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    TestFolder dir;
    for (const auto& [text, digest] : suite) {
        ASSERT_TRUE(WriteBytes(dir / L"m", text));
        EXPECT_EQ(HexOf(dir / L"m"), digest) << '"' << text << '"';
    }
}

TEST(FileMD5, BlockAndBufferBoundariesAndBothForms) {
    TestFolder dir;
    const std::pair<size_t, const char*> files[] = {
        {1024, "5121b74d11d0ad611a246b4137993844"},
        {1025, "35b02546e34868e7b75dab8c43d47c36"},
        {64 * 1024, "41e5dcf3b53b0383f708e15a959015b8"},
        {64 * 1024 + 1, "38708aed1ecdbc550d8de92139247363"},
        {3 * 1024 * 1024 + 17, "fd1d49162755d499d59a23ff5e4a0627"},
    };
    for (const auto& [size, digest] : files) {
        ASSERT_TRUE(WriteBytes(dir / L"f", Pattern(size)));
        std::string ansi = platform::WideToAnsi(dir / L"f");
        std::unique_ptr<char[]> hex = GetFileMD5(ansi.c_str(), true);
        std::unique_ptr<char[]> raw = GetFileMD5(ansi.c_str(), false);
        ASSERT_TRUE(hex && raw);
        EXPECT_EQ(std::strlen(hex.get()), 32u);
        EXPECT_EQ(std::string(hex.get()), digest) << size;
        EXPECT_EQ(raw[16], '\0');
        char fromRaw[33];
        for (int i = 0; i < 16; ++i) std::snprintf(fromRaw + 2 * i, 3, "%02x", static_cast<unsigned char>(raw[i]));
        EXPECT_EQ(std::string(fromRaw), digest);
    }
}

TEST(FileMD5, NullWhenTheFileCannotBeRead) {
    TestFolder dir;
    EXPECT_EQ(GetFileMD5(platform::WideToAnsi(dir / L"missing.bin").c_str(), true), nullptr);
    EXPECT_EQ(GetFileMD5(nullptr, true), nullptr);
    // A GBK name works through the ANSI code page.
    ASSERT_TRUE(WriteBytes(dir / L"中文.bin", "abc"));
    EXPECT_EQ(HexOf(dir / L"中文.bin"), "900150983cd24fb0d6963f7d28e17f72");
}

}  // namespace
