#include "caldav_fixture.h"

namespace kalvo::test {

std::string EventText(const std::string& uid, const std::string& summary) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Kalvo//test//SK\r\nBEGIN:VEVENT\r\nUID:" + uid +
           "\r\nDTSTAMP:20260101T080000Z\r\nDTSTART:20260105T090000Z\r\nDURATION:PT1H\r\nSUMMARY:" + summary +
           "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

caldav::ClientSettings SettingsFor(const TestServer& server, const QUrl& calendar) {
    caldav::ClientSettings settings;
    settings.calendar = calendar;
    settings.session.login = server.User();
    settings.session.password = server.Password();
    settings.session.timeout = std::chrono::milliseconds(10000);
    settings.session.waitBeforeRetry = [](std::chrono::milliseconds) {};
    return settings;
}

}  // namespace kalvo::test
