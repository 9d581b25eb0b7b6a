#pragma once
// What the client tests share: a server per test, clients made for it, events to store.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>

#include "caldav/caldav_client.h"
#include "test_server.h"

namespace kalvo::test {

// A small event with this UID.
std::string EventText(const std::string& uid, const std::string& summary = "Skúška");

// Starts `kind` with `options` for the test, or skips the test when the server is not installed.
#define KALVO_START_SERVER(var, kind, ...)                                                          \
    auto var = ::kalvo::test::TestServer::Start(kind, ##__VA_ARGS__);                               \
    if (!var) {                                                                                     \
        if (!::testing::Test::HasFailure()) GTEST_SKIP() << "not installed: " << std::string(kind); \
        return;                                                                                     \
    }

// A client for `calendar` with the server's credentials and short waits.
caldav::ClientSettings SettingsFor(const TestServer& server, const QUrl& calendar);

}  // namespace kalvo::test
