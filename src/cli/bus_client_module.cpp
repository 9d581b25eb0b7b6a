// BusAdd and BusListDay of kalvo-cli: the libdbus client is in kalvo-cli-bus.so, opened at the first call,
// and not at all where the session bus's address names nothing that could be connected to.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "cli/bus_module.h"
#include "kalvo_version.h"

namespace kalvo::cli {
namespace {

const BusModule& Module() {
    static const BusModule& module = LoadModule<BusModule>(kBusModuleFile, kBusModuleEntry, KALVO_VERSION_TEXT);
    return module;
}

// The value of `key` in one address entry ("unix:path=/run/user/1000/bus,guid=..."), %XX undone.
std::string Value(std::string_view entry, std::string_view key) {
    std::size_t at = entry.find(':');
    while (at != std::string_view::npos) {
        const std::string_view rest = entry.substr(at + 1);
        const std::string_view pair = rest.substr(0, rest.find(','));
        if (pair.size() > key.size() && pair.substr(0, key.size()) == key && pair[key.size()] == '=') {
            std::string out;
            const std::string_view raw = pair.substr(key.size() + 1);
            for (std::size_t i = 0; i < raw.size(); ++i) {
                if (raw[i] == '%' && i + 2 < raw.size()) {
                    out += static_cast<char>(std::strtol(std::string(raw.substr(i + 1, 2)).c_str(), nullptr, 16));
                    i += 2;
                } else {
                    out += raw[i];
                }
            }
            return out;
        }
        at = entry.find(',', at + 1);
    }
    return {};
}

}  // namespace

bool SessionBusMayExist(const char* address) {
    // Unset, libdbus looks further itself (the runtime folder's socket, an X11 autolaunch).
    if (!address || !*address) return true;
    const std::string_view all(address);
    for (std::size_t start = 0; start <= all.size();) {
        const std::size_t end = std::min(all.find(';', start), all.size());
        const std::string_view entry = all.substr(start, end - start);
        start = end + 1;
        const std::string_view transport = entry.substr(0, entry.find(':'));
        if (entry.empty()) continue;
        if (transport == "unix") {
            const std::string path = Value(entry, "path");
            std::error_code ec;
            if (path.empty() || std::filesystem::exists(path, ec)) return true;
        } else if (transport == "tcp" || transport == "nonce-tcp" || transport == "unixexec" ||
                   transport == "launchd" || transport == "autolaunch" || transport == "systemd") {
            return true;
        }
        // Any other transport ("disabled:", say) is one libdbus cannot open either.
    }
    return false;
}

BusReply BusAdd(const BusTarget& target, const ReminderRequest& request) {
    if (!SessionBusMayExist(std::getenv("DBUS_SESSION_BUS_ADDRESS"))) return {};
    return Module().add(target, request);
}

BusReply BusListDay(const BusTarget& target, const std::string& date) {
    if (!SessionBusMayExist(std::getenv("DBUS_SESSION_BUS_ADDRESS"))) return {};
    return Module().listDay(target, date);
}

BusReply BusSync(const BusTarget& target) {
    if (!SessionBusMayExist(std::getenv("DBUS_SESSION_BUS_ADDRESS"))) return {};
    return Module().sync(target);
}

BusReply BusDelete(const BusTarget& target, const std::string& date, const std::string& time, const std::string& text) {
    if (!SessionBusMayExist(std::getenv("DBUS_SESSION_BUS_ADDRESS"))) return {};
    return Module().remove(target, date, time, text);
}

}  // namespace kalvo::cli
