// The CalDAV client's listings against a running server (bench/caldav_listing.py starts Radicale and
// Xandikos with many events and runs this): a first full listing, the fetch of every event, and the
// listing a sync with nothing to do makes. Prints one JSON object.
//
//     kalvo_caldav_bench CALENDAR_URL [LOGIN PASSWORD] [--repeat N]

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "caldav/caldav_client.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Step {
    double ms = 0;
    int requests = 0;
};

template <typename Call>
Step Measure(kalvo::caldav::CalDavClient& client, Call call) {
    const int before = client.Session().RequestCount();
    const auto start = Clock::now();
    const kalvo::sync::Outcome outcome = call();
    Step step{Ms(Clock::now() - start), client.Session().RequestCount() - before};
    if (!outcome.ok()) {
        std::fprintf(stderr, "failed: %s\n", outcome.message.c_str());
        std::exit(1);
    }
    return step;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    int repeat = 20;
    const qsizetype at = args.indexOf(QStringLiteral("--repeat"));
    if (at >= 0 && at + 1 < args.size()) {
        repeat = std::max(1, args[at + 1].toInt());
        args.remove(at, 2);
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: kalvo_caldav_bench CALENDAR_URL [LOGIN PASSWORD] [--repeat N]\n");
        return 2;
    }
    kalvo::caldav::ClientSettings settings;
    settings.calendar = QUrl(args[0]);
    if (args.size() >= 3) {
        settings.session.login = args[1];
        settings.session.password = args[2];
    }
    settings.session.timeout = std::chrono::minutes(5);
    kalvo::caldav::CalDavClient client(settings);

    kalvo::sync::Listing full;
    const Step first = Measure(client, [&] { return client.ListChanges("", full); });
    std::vector<std::string> hrefs;
    for (const auto& r : full.changed) hrefs.push_back(r.href);
    std::vector<kalvo::sync::ServerResource> fetched;
    const Step fetch = Measure(client, [&] { return client.Fetch(hrefs, fetched); });
    kalvo::sync::Listing all;
    const Step propfind = Measure(client, [&] { return client.ListAll(all); });

    std::vector<double> idle;
    int idleRequests = 0;
    for (int i = 0; i < repeat; ++i) {
        kalvo::sync::Listing none;
        const Step step = Measure(client, [&] { return client.ListChanges(full.token, none); });
        if (!none.changed.empty() || !none.removed.empty()) {
            std::fprintf(stderr, "the listing with nothing to do found changes\n");
            return 1;
        }
        idle.push_back(step.ms);
        idleRequests = std::max(idleRequests, step.requests);
    }
    std::sort(idle.begin(), idle.end());
    std::printf(
        "{\"events\": %zu, \"fetched\": %zu, \"full_listing_ms\": %.1f, \"full_listing_requests\": %d, "
        "\"fetch_ms\": %.1f, \"fetch_requests\": %d, \"propfind_listing_ms\": %.1f, "
        "\"idle_listing_ms_median\": %.1f, \"idle_listing_ms_min\": %.1f, \"idle_listing_requests\": %d}\n",
        full.changed.size(), fetched.size(), first.ms, first.requests, fetch.ms, fetch.requests, propfind.ms,
        idle[idle.size() / 2], idle.front(), idleRequests);
    return 0;
}
