// The PC's own address as the address check sees it.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <string>

#include "app/AddressRule.h"
#include "app/LocalAddress.h"

namespace {

TEST(LocalAddress, IsDottedTextThatTheAddressCheckRefuses) {
    std::wstring local = GetLocalAddress();
    std::string narrow(local.begin(), local.end());
    unsigned long parsed = inet_addr(narrow.c_str());
    ASSERT_NE(parsed, INADDR_NONE) << narrow;
    if (local == L"0.0.0.0") GTEST_SKIP() << "host name does not resolve here";
    in_addr a;
    a.s_addr = parsed;
    AddressOctets octets = {a.S_un.S_un_b.s_b1, a.S_un.S_un_b.s_b2, a.S_un.S_un_b.s_b3, a.S_un.S_un_b.s_b4};
    EXPECT_EQ(FormatAddress(octets), local);
    EXPECT_FALSE(IsUsableTerminalAddress(octets, local));
}

}  // namespace
