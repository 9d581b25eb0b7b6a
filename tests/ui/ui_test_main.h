#pragma once
// Window tests are QtTest classes registered here; the runner executes one class by name, or all.

#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace kalvo::test {

using UiTestFactory = std::function<std::unique_ptr<QObject>()>;
std::map<std::string, UiTestFactory>& UiTests();

struct UiTestRegistration {
    UiTestRegistration(const char* name, UiTestFactory factory) { UiTests().emplace(name, std::move(factory)); }
};

}  // namespace kalvo::test

#define KALVO_UI_TEST(Class) \
    static const ::kalvo::test::UiTestRegistration kalvoUiTest##Class(#Class, [] { return std::make_unique<Class>(); });
