// Sound archives in the shapes common zip writers give them: "./" names,
// data descriptors, empty deflated entries, stray Zip64 locator bytes,
// Zip64 end records, Unicode path fields and 65,535 entries. Each
// extracts; its faulty twin, one other readers would read otherwise, is
// still refused.
#include <gtest/gtest.h>

#include "PackTestSupport.h"
#include "RawZip.h"
#include "pack/Unzip.h"
#include "pack/ZipExtraction.h"
#include "pack/ZipWriter.h"
#include "platform/Text.h"

namespace {

UnzipOutcome ExtractBytes(const TestFolder& dir, const std::string& zipBytes) {
    EXPECT_TRUE(WriteBytes(dir / L"p.zip", zipBytes));
    platform::RemoveTree(dir / L"out");
    return ExtractArchive(dir / L"out", dir / L"p.zip");
}

const char kLocator[] = "PK\x06\x07";

TEST(UnzipWriterShapes, SoundArchivesExtractAndTheirFaultyTwinsDoNot) {
    const std::string text = Pattern(3000);
    RawEntry emptyDeflated = DeflatedEntry("empty.bin", "");
    emptyDeflated.payload.clear();  // no stream at all
    RawEntry emptyDeclaredFull = emptyDeflated;
    emptyDeclaredFull.size = 5;
    RawEntry locatorInData = StoredEntry("z.bin", std::string("data ") + kLocator + std::string(40, 'x'));

    struct Case {
        const char* what;
        std::vector<RawEntry> entries;
        RawZipEnd end;
        bool sound;
    };
    std::vector<Case> cases = {
        {"names under ./", {StoredEntry("./", ""), StoredEntry("./bin/", ""), DeflatedEntry("./bin/app.exe", text),
                            StoredEntry("a/./b.txt", "b")}, {}, true},
        {"./.. climbs out", {StoredEntry("./../x.txt", "x")}, {}, false},
        {"./ before a real component ending in a dot", {StoredEntry("./bin./x.txt", "x")}, {}, false},
        {"a trailing blank after ./", {StoredEntry("./x.txt ", "x")}, {}, false},
        {"./x and x are one name", {StoredEntry("./x.txt", "1"), StoredEntry("x.txt", "2")}, {}, false},
        {"./ with data", {StoredEntry("./", "d")}, {}, false},
        {"a deflated empty file without a stream", {StoredEntry("a.txt", "a"), emptyDeflated}, {}, true},
        {"no stream for a declared size", {emptyDeclaredFull}, {}, false},
        {"Zip64 locator bytes in the comment",
         {StoredEntry("a.txt", "a")}, {0, false, std::string("note ") + kLocator + std::string(16, '\0') + "1"}, true},
        {"Zip64 locator bytes in stored data", {StoredEntry("a.txt", "a"), locatorInData}, {}, true},
    };
    // Readers must not disagree: on the directory the end records name, on
    // an entry's name, on whether it is encrypted or a link.
    for (Zip64End form : {Zip64End::PlainAllOnes, Zip64End::PlainAgrees})
        cases.push_back({"Zip64 end records", {StoredEntry("a.txt", "a")}, {0, false, "", form}, true});
    cases.push_back({"a plain end record naming another directory than the Zip64 one",
                     {StoredEntry("a.txt", "a")}, {0, false, "", Zip64End::PlainElsewhere}, false});
    auto unicodePath = [](const std::string& name, const std::string& utf8) {
        std::string field;
        Put16(field, 0x7075);
        Put16(field, static_cast<uint32_t>(5 + utf8.size()));
        field.push_back(1);
        Put32(field, Crc32(name));
        return field + utf8;
    };
    RawEntry sameName = StoredEntry("\xd6\xd0/a\xce\xc4.txt", "zh");  // 中/a文.txt in GBK
    sameName.centralExtra = unicodePath(sameName.name, "中\\a文.txt");  // either separator
    sameName.localExtra = unicodePath(sameName.name, "中/a文.txt");
    cases.push_back({"a Unicode path field naming the entry", {sameName}, {}, true});
    RawEntry otherName = sameName;
    otherName.localExtra = unicodePath(otherName.name, "中/b文.txt");
    cases.push_back({"a local Unicode path field naming another file", {otherName}, {}, false});
    otherName = sameName;
    otherName.centralExtra = unicodePath(otherName.name, "Ölfässer.txt");
    cases.push_back({"a Unicode path field naming another file", {otherName}, {}, false});
    for (uint16_t localFlags : {0, 1}) {
        RawEntry halfEncrypted = StoredEntry("e.txt", "e");
        halfEncrypted.flags = localFlags;
        halfEncrypted.centralFlagsFlip = 1;
        cases.push_back({"encrypted in one header only", {halfEncrypted}, {}, false});
    }
    RawEntry reparse = StoredEntry("r.txt", "plain content");
    reparse.external = 0x420;  // archive and reparse point, as Windows reports a placeholder file
    cases.push_back({"a Windows file with the reparse-point attribute", {reparse}, {}, true});
    RawEntry fatLink = StoredEntry("l", "../target");
    fatLink.external = (0120777u << 16) | 0x20;  // a Unix link on a FAT host: unzip makes the link
    cases.push_back({"a Unix link of a FAT-host entry", {fatLink}, {}, false});
    for (Descriptor form : {Descriptor::Signed, Descriptor::Unsigned, Descriptor::Signed64, Descriptor::Unsigned64}) {
        RawEntry sound = DeflatedEntry("d.bin", text);
        sound.descriptor = form;
        cases.push_back({"a data descriptor", {sound, StoredEntry("z.txt", "z")}, {}, true});
        RawEntry badCrc = sound;
        badCrc.crc ^= 1;  // the directory and descriptor agree: found only by the data's CRC
        cases.push_back({"a data descriptor with another CRC than the data", {badCrc}, {}, false});
    }
    // A descriptor that says other than the directory, or none at all.
    RawEntry differs = DeflatedEntry("d.bin", text);
    differs.descriptor = Descriptor::Signed;
    RawEntry missing = differs;
    missing.descriptor = Descriptor::None;
    missing.flags = 8;
    cases.push_back({"no descriptor behind a flagged entry", {missing}, {}, false});
    TestFolder dir;
    for (const Case& c : cases) {
        UnzipOutcome r = ExtractBytes(dir, BuildRawZip(c.entries, c.end));
        EXPECT_EQ(r.status, c.sound ? kUnzipDone : kUnzipDamaged) << c.what << ": " << r.reason;
    }
    // The "./" names land under their names without it.
    ASSERT_EQ(ExtractBytes(dir, BuildRawZip(cases[0].entries)).status, kUnzipDone);
    EXPECT_EQ(ReadBytes(dir / L"out\\bin\\app.exe"), text);
    EXPECT_EQ(ReadBytes(dir / L"out\\a\\b.txt"), "b");
    EXPECT_EQ(CountFiles(dir / L"out"), 2u);

    // A comment cut short is a cut archive.
    std::string cut = BuildRawZip({StoredEntry("a.txt", "a")}, {0, false, "comment"});
    cut.pop_back();
    EXPECT_EQ(ExtractBytes(dir, cut).status, kUnzipDamaged);
    EXPECT_EQ(ExtractBytes(dir, cut + "t").status, kUnzipDone);

    // The descriptor's fields are compared with the directory's.
    std::string bytes = BuildRawZip({differs});
    const size_t at = bytes.find("PK\x07\x08");
    ASSERT_NE(at, std::string::npos);
    for (size_t field : {4, 8, 12}) {
        std::string changed = bytes;
        changed[at + field] ^= 1;
        EXPECT_EQ(ExtractBytes(dir, changed).status, kUnzipDamaged) << "descriptor field at " << field;
    }
}

TEST(UnzipWriterShapes, SixtyFiveThousandFiveHundredThirtyFiveEntriesOfMinizipsWriter) {
    // minizip's writer gives exactly 65,535 entries the count 0xFFFF and no
    // Zip64 records; the pack tool writes with it.
    TestFolder dir;
    ZipWriter zip;
    ASSERT_TRUE(zip.Open(dir / L"many.zip"));
    for (int i = 0; i < 65535; ++i)
        ASSERT_TRUE(zip.AddData("e/" + std::to_string(i % 100) + "/" + std::to_string(i), "", {2020, 1, 1, 0, 0, 0}, 0));
    ASSERT_TRUE(zip.Close());
    const std::string bytes = ReadBytes(dir / L"many.zip");
    ASSERT_EQ(bytes.compare(bytes.size() - 22, 4, "PK\x05\x06"), 0);
    ASSERT_EQ(bytes.substr(bytes.size() - 12, 2), "\xff\xff");
    ASSERT_NE(bytes.compare(bytes.size() - 42, 4, kLocator), 0);

    ArchiveSurvey survey;
    std::string reason;
    ASSERT_TRUE(SurveyArchive(platform::WideToAnsi(dir / L"many.zip"), &survey, &reason)) << reason;
    EXPECT_EQ(survey.entries.size(), 65535u);
    EXPECT_EQ(EntriesProblem(survey, dir / L"out"), nullptr);
#ifndef _WIN32  // creating 65535 files under Wine takes minutes
    EXPECT_EQ(ExtractArchive(dir / L"out", dir / L"many.zip").status, kUnzipDone);
    EXPECT_EQ(CountFiles(dir / L"out"), 65535u);
#endif
}

}  // namespace
