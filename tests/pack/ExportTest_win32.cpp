// Quillon.exe exports the extraction function under its plain name.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/PeFile.h"

namespace {
std::string g_exePath;

TEST(Export, QuillonExportsUnzipUndecorated) {
    PeTables t;
    std::string error;
    ASSERT_TRUE(ReadPeTables(HostPathToLocal(g_exePath), &t, &error)) << error;
    EXPECT_NE(std::find(t.exportedNames.begin(), t.exportedNames.end(), "unzip"), t.exportedNames.end());
}
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) g_exePath = argv[1];
    return RUN_ALL_TESTS();
}
