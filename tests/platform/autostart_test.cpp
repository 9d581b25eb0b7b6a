#include "platform/autostart.h"

#include <algorithm>
#include <optional>

#include <gtest/gtest.h>

#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace kalvo {
namespace {

namespace fs = std::filesystem;

using test::ScopedEnv;

std::string TextOf(const test::TempFolder& dir, const std::string& name) {
    const auto bytes = dir.Read(name);
    return std::string(bytes.begin(), bytes.end());
}

TEST(XdgAutostart, EntryLivesUnderTheConfigFolder) {
    test::TempFolder home;
    ScopedEnv h("HOME", home.Path().string());
    {
        ScopedEnv x("XDG_CONFIG_HOME", (home / "cfg").string());
        EXPECT_EQ(XdgAutostartFile(), home / "cfg" / "autostart" / "kalvo.desktop");
    }
    for (const std::optional<std::string>& unusable :
         {std::optional<std::string>{}, std::optional<std::string>{""}, std::optional<std::string>{"relative/cfg"}}) {
        ScopedEnv x("XDG_CONFIG_HOME", unusable);
        EXPECT_EQ(XdgAutostartFile(), home / ".config" / "autostart" / "kalvo.desktop");
    }
    ScopedEnv x("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv noHome("HOME", std::nullopt);
    EXPECT_TRUE(XdgAutostartFile().empty());
    XdgAutostartEntry nowhere(XdgAutostartFile(), "/opt/kalvo/kalvo");
    EXPECT_FALSE(nowhere.IsOn());
    EXPECT_FALSE(nowhere.Enable());
}

TEST(XdgAutostart, AnyPathSurvivesTheExecLine) {
    for (const std::string path : {"/opt/kalvo/kalvo", "/home/eva/Moje programy/kalvo", "/a \"quoted\" $HOME `x`/k",
                                   "/back\\slash/and %u percent/k", "/tab\there/new\nline/k", "/Šimon/Ľudmila/kalvo"}) {
        const std::string text = DesktopEntryText(path);
        EXPECT_EQ(DesktopEntryProgram(text), path) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7) << "one key per line: " << text;
    }
    EXPECT_NE(DesktopEntryText("/a b/kalvo").find("Exec=\"/a b/kalvo\"\n"), std::string::npos);
}

TEST(XdgAutostart, ReadsHandWrittenEntries) {
    EXPECT_EQ(DesktopEntryProgram("[Desktop Entry]\nExec=/usr/bin/kalvo\n"), "/usr/bin/kalvo");
    EXPECT_EQ(DesktopEntryProgram("# c\n[Desktop Entry]\r\nName=K\r\nExec = \"/a b/kalvo\"\r\n"), "/a b/kalvo");
    EXPECT_EQ(DesktopEntryProgram("[Desktop Entry]\nExec=\"/a\\sb/kalvo\"\n"), "/a b/kalvo");
    EXPECT_FALSE(DesktopEntryProgram("[Desktop Entry]\nExec=/a\\sb/kalvo\n"));  // \s is a blank between arguments
    // Arguments, field codes, another group's Exec or a broken quote are not a plain run of the program.
    EXPECT_FALSE(DesktopEntryProgram("[Desktop Entry]\nExec=/usr/bin/kalvo --hidden\n"));
    EXPECT_FALSE(DesktopEntryProgram("[Desktop Entry]\nExec=/usr/bin/kalvo %U\n"));
    EXPECT_FALSE(DesktopEntryProgram("[Desktop Action x]\nExec=/usr/bin/kalvo\n"));
    EXPECT_FALSE(DesktopEntryProgram("[Desktop Entry]\nExec=\"/usr/bin/kalvo\n"));
    EXPECT_FALSE(DesktopEntryProgram("[Desktop Entry]\nTryExec=/usr/bin/kalvo\n"));
    EXPECT_FALSE(DesktopEntryProgram(""));
}

TEST(XdgAutostart, OnWritesOnlyWhenAbsentAndOffRemoves) {
    test::TempFolder dir;
    const fs::path file = dir / "autostart/kalvo.desktop";
    XdgAutostartEntry mine(file, "/home/eva/Moje programy/kalvo");
    XdgAutostartEntry other(file, "/opt/kalvo/kalvo");
    EXPECT_FALSE(mine.IsOn());
    EXPECT_TRUE(mine.Disable());  // nothing to remove
    EXPECT_TRUE(mine.Enable());   // creates the missing folder too
    EXPECT_TRUE(mine.IsOn());
    EXPECT_FALSE(other.IsOn());

    // Another copy's entry is not taken over, but turning off removes it.
    const std::string before = TextOf(dir, "autostart/kalvo.desktop");
    EXPECT_TRUE(other.Enable());
    EXPECT_EQ(TextOf(dir, "autostart/kalvo.desktop"), before);
    EXPECT_FALSE(other.IsOn());
    EXPECT_TRUE(other.Disable());
    EXPECT_FALSE(dir.Exists("autostart/kalvo.desktop"));
    EXPECT_FALSE(mine.IsOn());

    // A link to nowhere is someone's entry as well.
    fs::create_symlink(dir / "nowhere", file);
    EXPECT_TRUE(mine.Enable());
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_FALSE(mine.IsOn());
    EXPECT_TRUE(mine.Disable());
    EXPECT_FALSE(fs::is_symlink(file));
}

TEST(XdgAutostart, TheProgramsEntryGoesToTheGivenHome) {
    test::TempFolder home;
    ScopedEnv h("HOME", home.Path().string());
    ScopedEnv x("XDG_CONFIG_HOME", std::nullopt);
    const auto entry = MakeAutostartEntry("/opt/kalvo/kalvo");
    EXPECT_TRUE(entry->Enable());
    EXPECT_TRUE(entry->IsOn());
    EXPECT_TRUE(home.Exists(".config/autostart/kalvo.desktop"));
    EXPECT_TRUE(entry->Disable());
    EXPECT_FALSE(home.Exists(".config/autostart/kalvo.desktop"));
}

}  // namespace
}  // namespace kalvo
