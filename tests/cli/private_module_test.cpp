#include "cli/private_module.h"

#include <fstream>

#include <gtest/gtest.h>

#include "cli/cli_context.h"
#include "support/temp_folder.h"

namespace kalvo::cli {
namespace {

struct Table {
    ModuleStamp stamp;
    int answer;
};

const Table& Open(const char* entry, const std::filesystem::path& path = KALVO_TEST_MODULE) {
    return *static_cast<const Table*>(OpenModule(path, entry, sizeof(Table), "test 1"));
}

// The message of the CliError that f throws; fails the test when it throws none or exits otherwise.
template <typename F>
std::string Refusal(F f) {
    try {
        f();
    } catch (const CliError& e) {
        EXPECT_EQ(e.code, kFileError);
        return e.what();
    }
    ADD_FAILURE() << "no CliError";
    return {};
}

TEST(PrivateModule, TheInstalledProgramFindsTheInstalledModules) {
    EXPECT_EQ(ModuleFolder(KALVO_INSTALLED_BIN), std::filesystem::path(KALVO_INSTALLED_MODULES));
    EXPECT_EQ(ModuleFolder(std::filesystem::path(KALVO_INSTALLED_BIN) / ".." / "bin"),
              std::filesystem::path(KALVO_INSTALLED_MODULES));
}

TEST(PrivateModule, APortableCopyHasItsModulesBesideThePrograms) {
    test::TempFolder tmp;
    const auto installed = ModuleFolder(tmp.Path()) / "kalvo-cli-ical.so";
    EXPECT_EQ(ModulePath(tmp.Path(), "kalvo-cli-ical.so"), installed);  // missing anywhere: the installed place
    tmp.Write("kalvo-cli-ical.so", {});
    EXPECT_EQ(ModulePath(tmp.Path(), "kalvo-cli-ical.so"), tmp / "kalvo-cli-ical.so");
    EXPECT_EQ(ModulePath(tmp.Path(), "kalvo-cli-bus.so"), ModuleFolder(tmp.Path()) / "kalvo-cli-bus.so");
}

TEST(PrivateModule, TheExecutableFolderIsThisTestsOwn) {
    EXPECT_TRUE(std::filesystem::exists(ExecutableFolder() / std::filesystem::path(KALVO_TEST_EXECUTABLE).filename()));
}

TEST(PrivateModule, AModuleOfThisBuildGivesItsTable) {
    const Table& first = Open("kalvo_test_good");
    EXPECT_EQ(first.answer, 42);
    EXPECT_EQ(&Open("kalvo_test_good"), &first);  // opened once, the same table
}

TEST(PrivateModule, AMissingModuleIsNamedInSlovak) {
    test::TempFolder tmp;
    const std::string message = Refusal([&] { Open("kalvo_test_good", tmp / "kalvo-cli-ical.so"); });
    EXPECT_NE(message.find("Chýba súčasť programu"), std::string::npos) << message;
    EXPECT_NE(message.find("kalvo-cli-ical.so"), std::string::npos) << message;
    EXPECT_NE(message.find("súbor neexistuje"), std::string::npos) << message;
}

TEST(PrivateModule, AFileThatIsNoModuleIsRefused) {
    test::TempFolder tmp;
    const auto path = tmp / "kalvo-cli-bus.so";
    std::ofstream(path) << "not a module\n";
    const std::string message = Refusal([&] { Open("kalvo_test_good", path); });
    EXPECT_NE(message.find("nedá sa načítať"), std::string::npos) << message;
}

TEST(PrivateModule, AModuleOfAnotherBuildIsRefused) {
    for (const char* entry :
         {"kalvo_test_other_version", "kalvo_test_other_size", "kalvo_test_empty", "kalvo_no_entry"}) {
        const std::string message = Refusal([&] { Open(entry); });
        EXPECT_NE(message.find("je z inej verzie Kalva"), std::string::npos) << entry << ": " << message;
    }
}

}  // namespace
}  // namespace kalvo::cli
