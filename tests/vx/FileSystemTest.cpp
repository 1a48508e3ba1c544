#include "VxFixture.h"

#include "vx/DirectorySource.h"

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vx_test;

TEST_F(VxTest, AddPathChoosesTheSourceKindByProtocolOrExtension) {
    EXPECT_EQ(fs.addPath(""), -1);
    EXPECT_EQ(fs.addPath("ftp://x"), -1);
    EXPECT_EQ(fs.addPath("my.files"), -1);
    EXPECT_EQ(fs.getSourceCount(), 0);
    EXPECT_EQ(fs.addPath("../"), 0);
    EXPECT_EQ(fs.addPath("screenshots"), 1);
    EXPECT_EQ(fs.addPath("zip://demo.dat"), 2);
    EXPECT_EQ(fs.addPath("ZIP://demo.dat"), 3);
    EXPECT_EQ(fs.addPath("demo.zip"), 4);
    EXPECT_EQ(fs.addPath("Demo.ZIP"), 5);
    EXPECT_EQ(fs.addPath("my.files/"), 6);
    EXPECT_EQ(fs.addPath("a.b/c"), 7);
    EXPECT_EQ(fs.getSourceCount(), 8);
}

TEST_F(VxTest, ProtocolAndDirectoryPathsReachTheRightPlace) {
    makeZip((dir.path() / "demo.dat").string(), {{"inside.txt", "from the archive"}});
    dir.write("sub.d/plain.txt", "from the folder");
    fs.addPath("zip://" + dir.prefix() + "demo.dat");
    EXPECT_EQ(fs.addPath(dir.prefix() + "sub.d"), -1);
    EXPECT_EQ(fs.addPath(dir.prefix() + "sub.d/"), 1);
    EXPECT_EQ(text(fs.readFile("inside.txt")), "from the archive");
    EXPECT_EQ(text(fs.readFile("plain.txt")), "from the folder");
}

TEST(DirectorySourceTest, PathGetsOneTrailingSlash) {
    EXPECT_EQ(Vx::DirectorySource("screenshots").getPath(), "screenshots/");
    EXPECT_EQ(Vx::DirectorySource("../").getPath(), "../");
    EXPECT_EQ(Vx::DirectorySource("data\\").getPath(), "data\\");
    EXPECT_EQ(Vx::DirectorySource("").getPath(), "");
}

TEST_F(VxTest, FirstSourceThatHasTheFileWins) {
    dir.write("one/a.png", "first");
    dir.write("two/a.png", "second");
    dir.write("two/b.png", "only in two");
    fs.addPath(dir.prefix() + "one");
    fs.addPath(dir.prefix() + "two");
    EXPECT_EQ(text(fs.readFile("a.png")), "first");
    EXPECT_EQ(text(fs.readFile("b.png")), "only in two");
    EXPECT_EQ(text(fs.readFile("a.png", 1)), "second");
    EXPECT_EQ(text(fs.readFile("b.png", 0)), "only in two");
    EXPECT_TRUE(fs.readFile("c.png").isNull());
}

TEST_F(VxTest, FileKeepsTheNameItWasAskedFor) {
    dir.write("data/x.txt", "x");
    fs.addPath(dir.prefix());
    Vx::File file = fs.readFile("data/x.txt");
    EXPECT_EQ(file->getName(), "data/x.txt");
    EXPECT_EQ(file->getSize(), 1);
}

TEST_F(VxTest, NoSourcesMeansNothingToReadOrWrite) {
    EXPECT_TRUE(fs.readFile("a.png").isNull());
    EXPECT_FALSE(fs.writeFile(Vx::File::fromString("a.png", "x")));
}

// A sparse gigabyte costs nothing to make; read whole it would cost a gigabyte. A file under
// /proc records a size of 0 but holds more, as a file growing while it is read does.
TEST_F(VxTest, EmptyFileIsAFileAndAnOversizedOneIsRefusedNotMissing) {
    dir.write("empty.txt", "");
    dir.write("limit.txt", "12345");
    dir.write("later/huge.glsl", "a shader that is never reached");
    std::filesystem::resize_file(dir.write("huge.glsl", ""), int64_t(1) << 30);
    fs.addPath(dir.prefix());
    fs.addPath(dir.prefix() + "later");
    Vx::File file = fs.readFile("empty.txt");
    ASSERT_FALSE(file.isNull());
    EXPECT_EQ(file->getSize(), 0);
    Vx::CappedRead huge = fs.readFileCapped("huge.glsl", 5);
    EXPECT_TRUE(huge.tooLarge && huge.file.isNull() && huge.size == int64_t(1) << 30);
    EXPECT_EQ(text(fs.readFileCapped("limit.txt", 5).file), "12345");
    EXPECT_TRUE(fs.readFileCapped("limit.txt", 4).tooLarge);
    EXPECT_FALSE(fs.readFileCapped("gone.glsl", 5).tooLarge);
    Vx::CappedRead grown = Vx::DirectorySource("/proc/self").readCapped("status", 5);
    EXPECT_TRUE(grown.tooLarge && grown.size == 6);
}

// A FIFO must not be waited on; should the read wait for a writer, the alarm ends it.
TEST_F(VxTest, DirectoryOrFifoNameReadsAsMissing) {
    std::filesystem::create_directories(dir.path() / "folder.png");
    ASSERT_EQ(mkfifo((dir.prefix() + "music.ogg").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir.prefix() + "pack.zip").c_str(), 0600), 0);
    fs.addPath(dir.prefix());
    EXPECT_TRUE(fs.readFile("folder.png").isNull());
    EXPECT_EXIT((alarm(10), fs.addPath(dir.prefix() + "pack.zip"),
                 std::exit(fs.readFile("music.ogg").isNull() ? 0 : 1)),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(VxTest, WriteCreatesMissingDirectories) {
    std::filesystem::create_directories(dir.path() / "screenshots/x");
    fs.addPath(dir.prefix() + "screenshots");
    EXPECT_TRUE(fs.writeFile(Vx::File::fromString("x/y/z.png", "pixels")));
    EXPECT_EQ(dir.read("screenshots/x/y/z.png"), "pixels");
}

TEST_F(VxTest, WriteGoesToTheFirstSourceOrTheOneGiven) {
    fs.addPath(dir.prefix() + "one");
    fs.addPath(dir.prefix() + "two");
    EXPECT_TRUE(fs.writeFile(Vx::File::fromString("a.txt", "first")));
    EXPECT_TRUE(fs.writeFile(Vx::File::fromString("a.txt", "second"), 1));
    EXPECT_FALSE(fs.writeFile(Vx::File::fromString("a.txt", "nowhere"), 2));
    EXPECT_EQ(dir.read("one/a.txt"), "first");
    EXPECT_EQ(dir.read("two/a.txt"), "second");
}

// The temporary file of a writer that died is cleared too; those of running ones are kept, and
// so is a user's file that only looks like one.
TEST_F(VxTest, OverwriteReplacesTheFileAndLeavesNoTemporaryBehind) {
    dir.write("marquel.xml", "a much longer old configuration text");
    pid_t dead = fork();
    if (dead == 0)
        _exit(0);
    waitpid(dead, nullptr, 0);
    for (pid_t writer : {dead, getpid(), getppid()})
        dir.write("marquel.xml.tmp" + std::to_string(writer) + "-3", "");
    dir.write("report.tmp" + std::to_string(dead) + "-5", "the user's");
    std::filesystem::permissions(dir.path() / "marquel.xml", std::filesystem::perms(0640));
    fs.addPath(dir.prefix());
    EXPECT_TRUE(fs.writeFile(Vx::File::fromString("marquel.xml", "new")));
    EXPECT_EQ(dir.read("marquel.xml"), "new");
    EXPECT_EQ(std::filesystem::status(dir.path() / "marquel.xml").permissions(),
              std::filesystem::perms(0640));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              4);
}

// A link to a file in the folder is read and written through and stays a link; a name or a
// link that leads out of the folder reads as missing and is not written, and the file it leads
// to is kept. A ".." in the folder's own path is no name leaving it, and a name that climbs out
// and back in reads (but is not written: that cannot be told without the folder's name).
TEST_F(VxTest, ReadsAndWritesFollowOnlyNamesAndLinksThatStayInTheFolder) {
    dir.write("run/settings/real.xml", "old");
    dir.write("users.txt", "the user's own file");
    std::filesystem::create_symlink("settings/real.xml", dir.path() / "run/marquel.xml");
    std::filesystem::create_symlink("../users.txt", dir.path() / "run/script.xml");
    std::filesystem::create_symlink(dir.path(), dir.path() / "run/up");
    fs.addPath(dir.prefix() + "run");
    fs.addPath(dir.prefix() + "run/settings/../");
    EXPECT_TRUE(fs.writeFile(Vx::File::fromString("marquel.xml", "new"), 1));
    for (const char* outside :
         {"script.xml", "up/users.txt", "../users.txt", "settings/../../users.txt"}) {
        EXPECT_TRUE(fs.readFile(outside).isNull()) << outside;
        EXPECT_FALSE(fs.writeFile(Vx::File::fromString(outside, "overwritten"))) << outside;
    }
    EXPECT_TRUE(Vx::DirectorySource("").read((dir.path() / "users.txt").string()).isNull());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "run/marquel.xml"));
    EXPECT_EQ(dir.read("run/settings/real.xml"), "new");
    EXPECT_EQ(text(fs.readFile("settings/../marquel.xml", 1)), "new");
    EXPECT_EQ(text(fs.readFile("../run/marquel.xml")), "new");
    EXPECT_EQ(dir.read("users.txt"), "the user's own file");
}

// A file size limit makes the write fail half-way, as a full disk would. A write that does
// not wait for the disk (recorded frames) is just as atomic.
TEST_F(VxTest, FailedWriteKeepsTheOldFile) {
    dir.write("script.xml", "old script");
    fs.addPath(dir.prefix());
    std::string big(64 * 1024, 'n');
    for (Vx::WriteMode mode : {Vx::WRITE_DURABLE, Vx::WRITE_ATOMIC}) {
        rlimit saved;
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 4096;
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        bool written = fs.writeFile(Vx::File::fromString("script.xml", big), -1, mode);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(written) << mode;
        EXPECT_EQ(dir.read("script.xml"), "old script") << mode;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  1)
            << mode;
    }
    EXPECT_TRUE(fs.writeFile(Vx::File::fromString("script.xml", "new"), -1, Vx::WRITE_ATOMIC));
    EXPECT_EQ(dir.read("script.xml"), "new");
}

// The longest name a directory entry can have must still be writable, new or replaced.
TEST_F(VxTest, LongestFileNameCanBeWrittenAndReplaced) {
    std::string name(255 - 4, 'n');
    name += ".xml";
    fs.addPath(dir.prefix() + "with space");
    EXPECT_TRUE(fs.writeFile(Vx::File::fromString(name, "first")));
    EXPECT_EQ(dir.read("with space/" + name), "first");
    EXPECT_TRUE(fs.writeFile(Vx::File::fromString(name, "second"), -1, Vx::WRITE_ATOMIC));
    EXPECT_EQ(dir.read("with space/" + name), "second");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "with space"),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(VxTest, WriteOverADirectoryFailsAndKeepsIt) {
    std::filesystem::create_directories(dir.path() / "taken/inner");
    fs.addPath(dir.prefix());
    EXPECT_FALSE(fs.writeFile(Vx::File::fromString("taken", "x")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "taken/inner"));
}

TEST_F(VxTest, MakePathCreatesEveryPrefixButTheLeadingDotsAndTheFileName) {
    std::string base = dir.prefix();
    EXPECT_TRUE(Vx::makePath(base + "a/b\\c/file.png"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "a/b\\c"));
    EXPECT_FALSE(dir.exists("a/b\\c/file.png"));
    EXPECT_TRUE(Vx::createDirectory(base + "a"));
    dir.write("plain", "x");
    EXPECT_FALSE(Vx::makePath(base + "missing/../plain/x/y"));
}
