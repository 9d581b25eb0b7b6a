#include <gtest/gtest.h>

#include <fstream>

#include "cli/bus_module.h"
#include "support/temp_folder.h"

namespace kalvo::cli {
namespace {

TEST(SessionBusAddress, OnlyAnAddressOfNothingLeavesLibdbusUnloaded) {
    test::TempFolder tmp;
    const std::string socket = (tmp / "bus").string();
    std::ofstream(socket) << "";  // stands for the socket: only its being there counts
    const std::string there = "unix:path=" + socket, gone = "unix:path=" + (tmp / "none").string();

    // libdbus's own search, or addresses it may connect to.
    EXPECT_TRUE(SessionBusMayExist(nullptr));
    EXPECT_TRUE(SessionBusMayExist(""));
    EXPECT_TRUE(SessionBusMayExist(there.c_str()));
    EXPECT_TRUE(SessionBusMayExist((there + ",guid=0123456789abcdef").c_str()));
    EXPECT_TRUE(SessionBusMayExist("unix:abstract=/tmp/dbus-XYZ,guid=0123"));
    EXPECT_TRUE(SessionBusMayExist("tcp:host=localhost,port=12345"));
    EXPECT_TRUE(SessionBusMayExist("autolaunch:"));
    EXPECT_TRUE(SessionBusMayExist(("disabled:;" + there).c_str()));  // any entry that may do
    // Escaped as D-Bus addresses escape: %2f is '/'.
    std::string escaped = "unix:path=";
    for (const char c : socket) escaped += c == '/' ? std::string("%2f") : std::string(1, c);
    EXPECT_TRUE(SessionBusMayExist(escaped.c_str()));

    // Nothing to connect to.
    EXPECT_FALSE(SessionBusMayExist("disabled:"));
    EXPECT_FALSE(SessionBusMayExist(gone.c_str()));
    EXPECT_FALSE(SessionBusMayExist((gone + ";disabled:;").c_str()));
}

}  // namespace
}  // namespace kalvo::cli
