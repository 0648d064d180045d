// The emulator's link to its port: made where only the user can write, and
// never put in place of something it did not make.

#include "emulator/PortLink.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "links/EmulatorLink.h"

namespace fs = std::filesystem;
using links::LinkState;

namespace {

class PortLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tq410k-link.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        link_ = (dir_ / "port").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    std::string link_;
};

TEST_F(PortLinkTest, AFreePathOrAnEarlierEmulatorsLinkMayBeUsed) {
    EXPECT_EQ(links::InspectEmulatorLink(link_), LinkState::Absent);
    EXPECT_FALSE(emulator::LinkRefusal(link_));
    EXPECT_FALSE(emulator::LinkRefusal(""));

    fs::create_symlink("/dev/pts/999", link_);  // left by a killed emulator
    EXPECT_EQ(links::InspectEmulatorLink(link_), LinkState::Own);
    EXPECT_FALSE(emulator::LinkRefusal(link_));
    EXPECT_FALSE(links::EmulatorLinkIsLive(link_)) << "no such terminal";

    fs::remove(link_);
    fs::create_symlink("/dev/null", link_);
    EXPECT_TRUE(links::EmulatorLinkIsLive(link_));
}

TEST_F(PortLinkTest, RefusesAndLeavesAloneWhatItDidNotMake) {
    struct Case {
        const char* what;
        void (*make)(const std::string& path, const fs::path& dir);
    };
    const Case cases[] = {
        {.what = "a plain file",
         .make = [](const std::string& p, const fs::path&) { std::ofstream(p) << "mine"; }},
        {.what = "a folder", .make = [](const std::string& p, const fs::path&) { fs::create_directory(p); }},
        {.what = "a link out of /dev",
         .make = [](const std::string& p, const fs::path& d) { fs::create_symlink(d / "elsewhere", p); }},
        {.what = "a relative link",
         .make = [](const std::string& p, const fs::path&) { fs::create_symlink("../dev/pts/1", p); }},
    };
    for (const auto& c : cases) {
        c.make(link_, dir_);
        EXPECT_EQ(links::InspectEmulatorLink(link_), LinkState::Foreign) << c.what;
        EXPECT_FALSE(links::EmulatorLinkIsLive(link_)) << c.what;
        const auto refusal = emulator::LinkRefusal(link_);
        ASSERT_TRUE(refusal) << c.what;
        EXPECT_EQ(refusal->rfind(link_ + " exists and was not made by this emulator", 0), 0u) << *refusal;
        fs::remove_all(link_);
    }
}

TEST_F(PortLinkTest, RefusesAnotherUsersLinkIntoDev) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a link owned by someone else";
    fs::create_symlink("/dev/null", link_);
    ASSERT_EQ(::lchown(link_.c_str(), 65534, 65534), 0);
    EXPECT_EQ(links::InspectEmulatorLink(link_), LinkState::Foreign);
    EXPECT_FALSE(links::EmulatorLinkIsLive(link_));
    EXPECT_TRUE(emulator::LinkRefusal(link_));
}

TEST_F(PortLinkTest, DefaultLinkIsInTheRuntimeFolderOnlyWhenItIsPrivate) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::optional<std::string> restore = saved ? std::optional<std::string>(saved) : std::nullopt;
    const std::string fallbackPrefix = "/tmp/tq410k-emulator-";

    ::chmod(dir_.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    EXPECT_EQ(links::DefaultEmulatorLink(), (dir_ / "tq410k-emulator").string());
    EXPECT_EQ(emulator::LinkPath("", ""), (dir_ / "tq410k-emulator").string());
    EXPECT_EQ(emulator::LinkPath("/x/port", ""), "/x/port");
    EXPECT_EQ(emulator::LinkPath("", "/dev/ttyUSB1"), "") << "a serial device needs no link";
    ::chmod(dir_.c_str(), 0777);
    EXPECT_TRUE(links::DefaultEmulatorLink().starts_with(fallbackPrefix));
    ::setenv("XDG_RUNTIME_DIR", "relative/run", 1);
    EXPECT_TRUE(links::DefaultEmulatorLink().starts_with(fallbackPrefix));
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(links::DefaultEmulatorLink().starts_with(fallbackPrefix));
    EXPECT_GT(links::DefaultEmulatorLink().size(), fallbackPrefix.size());

    if (restore) ::setenv("XDG_RUNTIME_DIR", restore->c_str(), 1);
}

}  // namespace

namespace {

TEST_F(PortLinkTest, ALinkBelongsToTheRunningEmulatorThatMadeIt) {
    {
        emulator::LinkClaim first(link_);
        try {
            emulator::LinkClaim second(link_);
            ADD_FAILURE() << "a second emulator took the link";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("running as process " + std::to_string(::getpid())), std::string::npos)
                << e.what();
        }
    }
    EXPECT_NO_THROW(emulator::LinkClaim again(link_));  // free once the first has ended
    EXPECT_FALSE(fs::exists(link_ + ".lock"));

    // On exit only a link that still points at the emulator's own port is removed.
    ASSERT_EQ(::symlink("/dev/pts/other", link_.c_str()), 0);
    emulator::RemoveLinkIfOurs(link_, "/dev/pts/mine");
    EXPECT_TRUE(fs::is_symlink(link_));
    emulator::RemoveLinkIfOurs(link_, "/dev/pts/other");
    EXPECT_FALSE(fs::is_symlink(link_));
}

}  // namespace
