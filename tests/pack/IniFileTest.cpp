// The INI dialect: encodings in and out, sections, first-key-wins, the one
// ";" line, tabs, UTF-16 key order, and Save's failures.
#include <gtest/gtest.h>

#include <thread>

#include "PackTestSupport.h"
#include "pack/MD5IniFile.h"

namespace {

const char kDigest[] = "0123456789abcdef0123456789abcdef";

std::string Utf16File(const std::u16string& text) {
    std::string out("\xFF\xFE", 2);
    for (char16_t u : text) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    }
    return out;
}

std::vector<IniSection> Load(const std::wstring& path) {
    CMD5IniFile ini;
    EXPECT_TRUE(ini.LoadIniFile(path, false));
    return ini.Sections();
}

TEST(IniFile, LoadsUtf16AndAnsiAlikeAndSavesUtf16WithCrLf) {
    TestFolder dir;
    ASSERT_TRUE(WriteBytes(dir / L"u.ini", Utf16File(u"[MD5]\r\n.\\a.bin=0123456789abcdef0123456789abcdef")));
    ASSERT_TRUE(WriteBytes(dir / L"a.ini", std::string("[MD5]\n.\\a.bin=") + kDigest + "\n"));
    for (const wchar_t* name : {L"u.ini", L"a.ini"}) {
        CMD5IniFile ini;
        ASSERT_TRUE(ini.LoadIniFile(dir / name, false));
        std::vector<IniSection> s = ini.Sections();
        ASSERT_EQ(s.size(), 2u);
        EXPECT_EQ(s[0].name, L"[]");
        EXPECT_TRUE(s[0].entries.empty());
        EXPECT_EQ(s[1].name, L"MD5");
        ASSERT_EQ(s[1].entries.size(), 1u);
        EXPECT_EQ(s[1].entries.at(L".\\a.bin"), L"0123456789abcdef0123456789abcdef");

        ASSERT_TRUE(ini.Save(dir / L"out.ini"));
        EXPECT_EQ(ReadBytes(dir / L"out.ini"),
                  Utf16File(u"\r\n[MD5]\r\n.\\a.bin=0123456789abcdef0123456789abcdef\r\n"));
        std::vector<IniSection> again = Load(dir / L"out.ini");
        ASSERT_EQ(again.size(), 2u);
        EXPECT_EQ(again[1].entries, s[1].entries);
    }
    // GBK text in an ANSI file.
    ASSERT_TRUE(WriteBytes(dir / L"g.ini", "[MD5]\n.\\\xd6\xd0\xce\xc4=v\n"));
    EXPECT_EQ(Load(dir / L"g.ini")[1].entries.count(L".\\中文"), 1u);
}

TEST(IniFile, BlanksFirstKeyWinsOneCommentAndKeyOrder) {
    TestFolder dir;
    ASSERT_TRUE(WriteBytes(dir / L"x.ini",
                           "[S]\n  k  =  v  \nk=second\n; first comment\n;second comment\nno equals sign\n"
                           "t\t=\tw\nb=1\nA=2\na=3\n0=4\n"));
    std::vector<IniSection> s = Load(dir / L"x.ini");
    ASSERT_EQ(s.size(), 2u);
    const IniEntries& e = s[1].entries;
    EXPECT_EQ(e.at(L"k"), L"v  ");
    EXPECT_EQ(e.at(L";"), L"; first comment");
    EXPECT_EQ(e.at(L"t\t"), L"\tw");
    EXPECT_EQ(e.size(), 7u);  // k ; t\t b A a 0

    CMD5IniFile ini;
    ASSERT_TRUE(ini.LoadIniFile(dir / L"x.ini", false));
    ASSERT_TRUE(ini.Save(L""));  // back to the loaded file
    EXPECT_EQ(ReadBytes(dir / L"x.ini"),
              Utf16File(u"\r\n[S]\r\n0=4\r\n; first comment\r\nA=2\r\na=3\r\nb=1\r\nk=v  \r\nt\t=\tw\r\n"));
}

TEST(IniFile, SectionsAtTheEdges) {
    TestFolder dir;
    // Empty file: one "[]" section; saved as the BOM alone.
    ASSERT_TRUE(WriteBytes(dir / L"empty.ini", ""));
    CMD5IniFile ini;
    ASSERT_TRUE(ini.LoadIniFile(dir / L"empty.ini", false));
    ASSERT_EQ(ini.Sections().size(), 1u);
    ASSERT_TRUE(ini.Save(dir / L"empty-out.ini"));
    EXPECT_EQ(ReadBytes(dir / L"empty-out.ini"), "\xFF\xFE");

    // No header: everything in "[]"; "[]" header kept only when another follows.
    ASSERT_TRUE(WriteBytes(dir / L"h.ini", "x=1\n[]\ny=2\n[T]\nz=3\n[]\nw=4\n"));
    std::vector<IniSection> s = Load(dir / L"h.ini");
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].name, L"[]");
    EXPECT_EQ(s[0].entries.at(L"x"), L"1");
    EXPECT_EQ(s[1].name, L"");
    EXPECT_EQ(s[2].name, L"T");

    // A header without ']' ends the parse; what came before stays.
    ASSERT_TRUE(WriteBytes(dir / L"cut.ini", "[A]\na=1\n[B\nb=2\n[C]\nc=3\n"));
    CMD5IniFile cut;
    EXPECT_TRUE(cut.LoadIniFile(dir / L"cut.ini", false));
    s = cut.Sections();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].name, L"[]");

    // UTF-16 of odd length (last byte ignored), and UTF-16 without any NUL.
    std::string odd = Utf16File(u"[M]\r\nk=v");
    odd.push_back('\x41');
    ASSERT_TRUE(WriteBytes(dir / L"odd.ini", odd));
    s = Load(dir / L"odd.ini");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[1].entries.at(L"k"), L"v");
}

TEST(IniFile, SetValueGetSectionAndTheMissingFile) {
    TestFolder dir;
    CMD5IniFile ini;
    EXPECT_FALSE(ini.LoadIniFile(dir / L"none.ini", false));
    EXPECT_FALSE(platform::PathExists(dir / L"none.ini"));
    EXPECT_TRUE(ini.LoadIniFile(dir / L"new.ini", true));
    EXPECT_TRUE(platform::PathExists(dir / L"new.ini"));
    EXPECT_FALSE(ini.LoadIniFile(dir / L"no-such-folder\\x.ini", true));

    EXPECT_TRUE(ini.SetValue(L"B", L"k", L"1"));
    EXPECT_TRUE(ini.SetValue(L"A", L"k", L"2"));
    EXPECT_TRUE(ini.SetValue(L"B", L"k", L"3"));
    IniEntries got{{L"k", L"kept"}, {L"other", L"x"}};
    EXPECT_TRUE(ini.GetSection(L"B", got));
    EXPECT_EQ(got.at(L"k"), L"kept");
    EXPECT_FALSE(ini.GetSection(L"b", got));  // names are case-sensitive
    ASSERT_TRUE(ini.Save(dir / L"s.ini"));
    EXPECT_EQ(ReadBytes(dir / L"s.ini"), Utf16File(u"\r\n[B]\r\nk=3\r\n\r\n[A]\r\nk=2\r\n"));
}

TEST(IniFile, FailedSaveReturnsFalseAndKeepsTheSections) {
    TestFolder dir;
    CMD5IniFile ini;
    ini.SetValue(L"MD5", L".\\a", L"0123456789abcdef0123456789abcdef");
    std::vector<IniSection> before = ini.Sections();
    EXPECT_FALSE(ini.Save(L""));                        // nothing loaded: no target
    EXPECT_FALSE(ini.Save(dir.Path()));                 // a folder
    EXPECT_FALSE(ini.Save(dir / L"missing\\x.ini"));     // no such folder
#ifndef _WIN32
    EXPECT_FALSE(ini.Save(L"\\dev\\full"));  // opens, then the write fails
#endif
    std::vector<IniSection> after = ini.Sections();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after[0].entries, before[0].entries);
}

TEST(IniFile, TheLockKeepsConcurrentWritersApart) {
    CMD5IniFile ini;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&ini, t] {
            for (int i = 0; i < 500; ++i) ini.SetValue(L"S" + std::to_wstring(i % 3), std::to_wstring(t * 1000 + i), L"v");
        });
    for (auto& th : threads) th.join();
    size_t total = 0;
    for (const IniSection& s : ini.Sections()) total += s.entries.size();
    EXPECT_EQ(total, 2000u);
    EXPECT_EQ(ini.Sections().size(), 3u);
}

}  // namespace
