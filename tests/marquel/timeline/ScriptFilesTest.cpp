// The script files on their own, in a temporary folder: what is loaded, held back and saved.

#include "common/TempDir.h"
#include "marquel/Script.h"
#include "marquel/timeline/ScriptFiles.h"
#include "vx/FileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

using Marquel::ScriptStep;

namespace {

std::string script(const std::string& name) {
    return R"(<script><effect name=")" + name + R"(" end="30"/></script>)";
}

// A run folder's search paths: the folder, then data/ in it.
class ScriptFilesTest : public testing::Test {
protected:
    ScriptFilesTest() {
        files.addPath(dir.prefix());
        files.addPath(dir.prefix() + "data/");
    }

    testing_support::TempDir dir;
    Vx::FileSystem files;
    Marquel::Script played;
};

} // namespace

TEST_F(ScriptFilesTest, DiskChangesAreLoadedUnlessHeldBackAndSavesKeepTheEditorsText) {
    dir.write("data/demo.xml", script("a"));
    Marquel::ScriptFiles scripts(files);
    scripts.load(played, "demo.xml");
    scripts.startFollowing();
    const auto name = [&] { return played.nodes.at(0)->name; };
    EXPECT_EQ(scripts.follow(played, false), ScriptStep::STEP_TOLD) << "the first look";

    played.nodes[0]->name = "ours";
    played.edited = true;
    scripts.save(played);
    EXPECT_FALSE(played.edited);
    const Marquel::EffectNode* saved = played.nodes[0].get();
    EXPECT_EQ(scripts.follow(played, false), ScriptStep::STEP_TOLD) << "our own save";
    EXPECT_EQ(played.nodes[0].get(), saved) << "is not loaded again";

    dir.write("demo.xml", script("b"));
    EXPECT_EQ(scripts.follow(played, true), ScriptStep::STEP_NONE) << "held back while typing";
    EXPECT_EQ(scripts.follow(played, false), ScriptStep::STEP_RELOADED);
    EXPECT_EQ(name(), "b");

    played.edited = true;
    dir.write("demo.xml", script("c"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(scripts.follow(played, false), ScriptStep::STEP_TOLD);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[Marquel] The script 'demo.xml' changed on disk; it is not loaded over the "
              "inspector's unsaved edits (Ctrl+R loads it and drops them)\n");
    EXPECT_EQ(scripts.message(), "'demo.xml' changed on disk: Ctrl+R loads it");
    EXPECT_EQ(name(), "b") << "not loaded over unsaved edits";
    testing::internal::CaptureStderr();
    scripts.save(played);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[Marquel] Could not save the script 'demo.xml'; the edits are kept: it changed on "
              "disk since it was loaded (Ctrl+R loads it and drops the edits)\n");
    EXPECT_EQ(dir.read("demo.xml"), script("c")) << "the editor's text is kept";
    EXPECT_EQ(scripts.reload(played), ScriptStep::STEP_RELOADED);
    EXPECT_EQ(name(), "c");
    EXPECT_FALSE(played.edited);

    testing::internal::CaptureStderr();
    dir.write("demo.xml", "<script><effect");
    EXPECT_EQ(scripts.follow(played, false), ScriptStep::STEP_TOLD);
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind(
                  "[Marquel] The script was not reloaded; the old one plays on: 'demo.xml' is not "
                  "well-formed XML",
                  0),
              0u);
    EXPECT_EQ(scripts.message().rfind("Not reloaded: 'demo.xml' is not well-formed XML", 0), 0u);
    EXPECT_EQ(name(), "c") << "a file that does not load leaves the script";

    // A link made in its place is followed to its target.
    std::filesystem::remove(dir.path() / "demo.xml");
    dir.write("real/target.xml", script("d"));
    std::filesystem::create_symlink("real/target.xml", dir.path() / "demo.xml");
    EXPECT_EQ(scripts.follow(played, false), ScriptStep::STEP_RELOADED);
    dir.write("real/target.xml", script("e"));
    EXPECT_EQ(scripts.follow(played, false), ScriptStep::STEP_RELOADED);
    EXPECT_EQ(name(), "e");

    std::filesystem::remove(dir.path() / "demo.xml");
    std::filesystem::remove(dir.path() / "data/demo.xml");
    played.nodes[0]->name = "gone";
    scripts.save(played);
    EXPECT_EQ(dir.read("demo.xml"), played.save()) << "a file gone from disk is saved";
    scripts.stopFollowing();
}

// Two script files play as one script; saving must give each file back its own nodes, or
// the next start would load the first file's nodes twice.
TEST_F(ScriptFilesTest, EachFileIsWrittenBackWithOnlyItsOwnNodes) {
    dir.write("data/first.xml", R"(<script><effect name="keys" start="0" end="30"/></script>)");
    dir.write("data/second.xml", R"(<script><effect name="other" start="1" end="20"/></script>)");
    Marquel::ScriptFiles scripts(files);
    scripts.load(played, "first.xml");
    scripts.load(played, "second.xml");
    // As the inspector would add it.
    auto added = std::make_unique<Marquel::EffectNode>();
    added->name = "added";
    played.nodes.insert(played.nodes.begin(), std::move(added));
    scripts.save(played);
    const std::string first = dir.read("first.xml");
    const std::string second = dir.read("second.xml");
    EXPECT_NE(first.find("name=\"keys\""), std::string::npos) << first;
    EXPECT_EQ(first.find("other"), std::string::npos) << first;
    EXPECT_EQ(first.find("added"), std::string::npos) << first;
    EXPECT_NE(second.find("name=\"other\""), std::string::npos) << second;
    EXPECT_NE(second.find("name=\"added\""), std::string::npos)
        << "a node added while playing goes with the last file\n"
        << second;
    EXPECT_EQ(second.find("keys"), std::string::npos) << second;

    Marquel::Script restarted;
    Marquel::ScriptFiles again(files);
    again.load(restarted, "first.xml");
    again.load(restarted, "second.xml");
    ASSERT_EQ(restarted.nodes.size(), 3u) << "every node is loaded once";
    EXPECT_EQ(restarted.nodes[0]->name, "keys");
}
