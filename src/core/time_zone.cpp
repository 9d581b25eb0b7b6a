#include "core/time_zone.h"

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace kalvo {
namespace {

std::atomic<bool> g_announced{false};

#ifdef _WIN32

void FollowZone() {
    // The C runtime asks the system for its zone again; there is no file to look at first.
    _tzset();
}

#else

// The zone file the C library reads for `tz` (TZ's value, null when it is not set): TZ names a file,
// absolute or under the zoneinfo folder, or nothing names one and the system's default counts.
std::string ZoneFileOf(const char* tz) {
    constexpr const char* kDefault = "/etc/localtime";
    if (!tz) return kDefault;
    std::string_view v = tz;
    if (v.empty()) return {};  // UTC
    if (v.front() == ':') v.remove_prefix(1);
    if (v.empty()) return kDefault;
    if (v.front() == '/') return std::string(v);
    const char* dir = std::getenv("TZDIR");
    return std::string(dir && *dir ? dir : "/usr/share/zoneinfo") + "/" + std::string(v);
}

struct ZoneStamp {
    std::optional<std::string> tz;  // TZ as it is set
    bool hasFile = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::time_t modifiedSeconds = 0;
    long modifiedNanoseconds = 0;

    bool operator==(const ZoneStamp&) const = default;
};

ZoneStamp StampNow() {
    ZoneStamp s;
    const char* tz = std::getenv("TZ");
    if (tz) s.tz = tz;
    struct stat st {};
    // stat follows the link that /etc/localtime usually is, so pointing it at another zone counts too.
    if (const std::string file = ZoneFileOf(tz); !file.empty() && ::stat(file.c_str(), &st) == 0) {
        s.hasFile = true;
        s.device = st.st_dev;
        s.inode = st.st_ino;
        s.size = st.st_size;
        s.modifiedSeconds = st.st_mtim.tv_sec;
        s.modifiedNanoseconds = st.st_mtim.tv_nsec;
    }
    return s;
}

// The same file under another name: "/./x" for "/x", "./x" for "x" under the zoneinfo folder.
std::string Respelled(const std::string& tz) {
    const bool colon = !tz.empty() && tz.front() == ':';
    const std::string_view path = std::string_view(tz).substr(colon ? 1 : 0);
    return std::string(colon ? ":" : "") + (path.front() == '/' ? "/." : "./") + std::string(path);
}

struct Watch {
    std::mutex lock;
    std::optional<ZoneStamp> last;
    std::string ownTz;       // TZ as it was set before it was spelled otherwise
    bool respelled = false;  // TZ holds the other spelling of ownTz
};

Watch& TheWatch() {
    static Watch w;
    return w;
}

void FollowZone() {
    Watch& w = TheWatch();
    const std::lock_guard guard(w.lock);
    const ZoneStamp now = StampNow();
    if (!w.last) {
        w.last = now;
        return;
    }
    if (now == *w.last) return;
    // glibc reads the zone afresh in tzset only when TZ's text differs from the last it read (or, with
    // TZ unset, when /etc/localtime changed): a file swapped under an unchanged TZ needs TZ to name it
    // differently. The other spelling names the same file, so the zone is never wrong in between.
    if (now.tz && now.hasFile) {
        const bool ours = w.respelled && *now.tz == Respelled(w.ownTz);
        if (!ours) w.ownTz = *now.tz;
        w.respelled = !ours;
        ::setenv("TZ", (ours ? w.ownTz : Respelled(w.ownTz)).c_str(), 1);
    }
    tzset();
    w.last = StampNow();
}

#endif

}  // namespace

void FollowTimeZone() { FollowZone(); }

void TimeZoneMayHaveChanged() { g_announced.store(true, std::memory_order_relaxed); }

bool TakeTimeZoneAnnouncement() {
    return g_announced.load(std::memory_order_relaxed) && g_announced.exchange(false, std::memory_order_relaxed);
}

}  // namespace kalvo
