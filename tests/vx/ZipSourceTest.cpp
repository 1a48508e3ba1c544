#include "VxFixture.h"

#include "vx/ZipSource.h"

#include <fstream>

using namespace vx_test;

namespace {

class ZipTest : public VxTest {
protected:
    std::string archive(const std::vector<std::pair<std::string, std::string>>& entries,
                        bool stored = false) {
        std::string path = (dir.path() / "demo.zip").string();
        makeZip(path, entries, stored);
        return path;
    }
};

} // namespace

TEST_F(ZipTest, EntryIsFoundInAnyCaseAndWithALeadingDotSlash) {
    fs.addPath(archive({{"Sub/Pic.PNG", "picture"}}));
    for (const char* name :
         {"Sub/Pic.PNG", "sub/pic.png", "./sub/pic.png", ".\\SUB/PIC.png", "/sub/pic.png"}) {
        Vx::File file = fs.readFile(name);
        ASSERT_FALSE(file.isNull()) << name;
        EXPECT_EQ(file->getName(), name);
        EXPECT_EQ(text(file), "picture");
    }
}

TEST_F(ZipTest, BackslashBetweenDirectoriesFindsNothing) {
    fs.addPath(archive({{"Sub/Pic.PNG", "picture"}}));
    EXPECT_TRUE(fs.readFile("sub\\pic.png").isNull());
    EXPECT_TRUE(fs.readFile("pic.png").isNull());
}

// Like a folder on disk, a folder stored in the archive is no file.
TEST_F(ZipTest, DirectoryEntryReadsAsMissing) {
    fs.addPath(archive({{"Sub/", ""}, {"Sub/Pic.PNG", "picture"}}));
    EXPECT_TRUE(fs.readFile("sub/").isNull());
    EXPECT_TRUE(fs.readFile("./Sub/").isNull());
    EXPECT_EQ(text(fs.readFile("sub/pic.png")), "picture");
}

// A capped read refuses by the size the entry declares, before inflating a byte of it.
TEST_F(ZipTest, CompressedAndEmptyEntriesReadWholeUnlessLargerThanTheCap) {
    std::string large(200000, 'z');
    for (size_t i = 0; i < large.size(); i += 7)
        large[i] = char('a' + i % 26);
    std::string path = archive({{"large.bin", large}, {"empty.txt", ""}, {"claims.glsl", "x"}});
    std::string bytes = dir.read("demo.zip");
    const size_t local = bytes.rfind("PK\x03\x04"), central = bytes.rfind("PK\x01\x02");
    const std::string thousandMiB("\0\0\x80\x3e", 4);
    bytes.replace(local + 22, 4, thousandMiB);
    bytes.replace(central + 24, 4, thousandMiB);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    fs.addPath(path);
    EXPECT_EQ(text(fs.readFile("large.bin")), large);
    EXPECT_EQ(text(fs.readFileCapped("large.bin", 200000).file), large);
    Vx::CappedRead refused = fs.readFileCapped("large.bin", 199999);
    EXPECT_TRUE(refused.tooLarge && refused.file.isNull() && refused.size == 200000);
    EXPECT_EQ(fs.readFileCapped("claims.glsl", 1 << 20).size, 1000 << 20);
    Vx::File empty = fs.readFile("empty.txt");
    ASSERT_FALSE(empty.isNull());
    EXPECT_EQ(empty->getSize(), 0);
}

TEST_F(ZipTest, DamagedEntryReadsAsMissingAndTheNextSourceIsAsked) {
    std::string content = "THE-ORIGINAL-CONTENT-OF-THE-ENTRY";
    std::string path = archive({{"a.txt", content}, {"b.txt", "intact"}}, true);
    std::string bytes = dir.read("demo.zip");
    size_t at = bytes.find(content);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 4] = 'X';
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    dir.write("folder/a.txt", "fallback");

    fs.addPath(path);
    fs.addPath(dir.prefix() + "folder");
    EXPECT_EQ(text(fs.readFile("a.txt")), "fallback");
    EXPECT_EQ(text(fs.readFile("b.txt")), "intact");
}

// Method 12 is bzip2, which this reader cannot unpack; the entry is stored, so its packed
// bytes would pass for the file.
TEST_F(ZipTest, EntryOfAnUnknownMethodReadsAsMissing) {
    std::string path = archive({{"a.png", "packed bytes"}, {"b.txt", "intact"}}, true);
    std::string bytes = dir.read("demo.zip");
    bytes[bytes.find("PK\x03\x04") + 8] = 12;
    bytes[bytes.find("PK\x01\x02") + 10] = 12;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    fs.addPath(path);
    EXPECT_TRUE(fs.readFile("a.png").isNull());
    EXPECT_EQ(text(fs.readFile("b.txt")), "intact");
}

// A link's bytes are the path it leads to; and where the end record counts 65,535 entries, one
// miss used to leave every later lookup failing.
TEST_F(ZipTest, LinksReadAsMissingAndAMissSpoilsNoLaterLookup) {
    std::string path = archive({{"link.png", "pic.png"}, {"pic.png", "picture"}}, true);
    std::string bytes = dir.read("demo.zip");
    const size_t central = bytes.find("PK\x01\x02"), end = bytes.find("PK\x05\x06");
    bytes[central + 5] = 3;
    bytes.replace(central + 38, 4, std::string("\0\0\xff\xa1", 4));
    bytes.replace(end + 8, 4, "\xff\xff\xff\xff");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    fs.addPath(path);
    EXPECT_TRUE(fs.readFile("link.png").isNull());
    EXPECT_TRUE(fs.readFile("missing.png").isNull());
    EXPECT_EQ(text(fs.readFile("pic.png")), "picture");
}

TEST_F(ZipTest, MissingOrBrokenArchiveIsASourceWithoutFiles) {
    dir.write("broken.zip", "this is not an archive at all");
    EXPECT_EQ(fs.addPath(dir.prefix() + "missing.zip"), 0);
    EXPECT_EQ(fs.addPath(dir.prefix() + "broken.zip"), 1);
    EXPECT_TRUE(fs.readFile("a.txt").isNull());
    Vx::ZipSource missing(dir.prefix() + "missing.zip");
    EXPECT_FALSE(missing.isOpen());
}

TEST_F(ZipTest, ArchivesAreReadOnly) {
    fs.addPath(archive({{"a.txt", "a"}}));
    std::string before = dir.read("demo.zip");
    EXPECT_FALSE(fs.writeFile(Vx::File::fromString("a.txt", "changed")));
    EXPECT_EQ(dir.read("demo.zip"), before);
}
