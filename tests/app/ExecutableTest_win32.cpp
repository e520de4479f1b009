// Checks the shipped Quillon.exe itself: one self-contained file that needs
// only system DLLs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "support/PeFile.h"

std::string g_exePath;

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

TEST(Executable, ImportsOnlySystemDlls) {
    PeTables t;
    std::string error;
    ASSERT_TRUE(ReadPeTables(g_exePath, &t, &error)) << error;
    ASSERT_FALSE(t.importedDlls.empty());
    for (const std::string& dll : t.importedDlls) {
        std::string d = Lower(dll);
        EXPECT_EQ(d.find("libstdc++"), std::string::npos) << dll;
        EXPECT_EQ(d.find("libgcc"), std::string::npos) << dll;
        EXPECT_EQ(d.find("winpthread"), std::string::npos) << dll;
        EXPECT_EQ(d.find("zlib"), std::string::npos) << dll;
        EXPECT_EQ(d.rfind("lib", 0), std::string::npos) << "not a system DLL: " << dll;
    }
    // It is the GUI program: user32 and GDI+ are among its imports.
    auto has = [&](const char* name) {
        return std::any_of(t.importedDlls.begin(), t.importedDlls.end(),
                           [&](const std::string& d) { return Lower(d) == name; });
    };
    EXPECT_TRUE(has("user32.dll"));
    EXPECT_TRUE(has("gdiplus.dll"));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) g_exePath = argv[1];
    return RUN_ALL_TESTS();
}
