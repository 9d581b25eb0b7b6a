#include "platform/autostart.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <system_error>
#include <vector>

#include "storage/file_io.h"

namespace fs = std::filesystem;

namespace kalvo {
namespace {

constexpr std::string_view kEntryName = "kalvo.desktop";

bool IsAbsolute(const char* value) { return value != nullptr && value[0] == '/'; }

// Inside double quotes these four must be escaped; '%' would start a field code.
std::string QuoteExecArgument(std::string_view path) {
    std::string out = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
        if (c == '%') out += '%';
        out += c;
    }
    return out + '"';
}

// The escapes of a string value in a desktop file; applied over the quoting above.
std::string EscapeValue(std::string_view value) {
    std::string out;
    for (const char c : value) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string UnescapeValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (const char next = value[++i]) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += '\\';
                out += next;  // not a string escape: left for the Exec quoting
        }
    }
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// The Exec value split into arguments; nullopt for an unterminated quote or a field code.
std::optional<std::vector<std::string>> SplitExec(std::string_view exec) {
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false, quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (c == '%') {
            if (i + 1 < exec.size() && exec[i + 1] == '%') {
                current += '%';
                inArgument = true;
                ++i;
                continue;
            }
            return std::nullopt;
        }
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       (exec[i + 1] == '"' || exec[i + 1] == '`' || exec[i + 1] == '$' || exec[i + 1] == '\\')) {
                current += exec[++i];
            } else {
                current += c;
            }
            continue;
        }
        if (c == ' ' || c == '\t') {
            if (inArgument) args.push_back(std::move(current));
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == '"') quoted = true;
        else if (c == '\\' && i + 1 < exec.size()) current += exec[++i];
        else current += c;
    }
    if (quoted) return std::nullopt;
    if (inArgument) args.push_back(std::move(current));
    return args;
}

}  // namespace

fs::path XdgAutostartFile() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); IsAbsolute(config))
        return fs::path(config) / "autostart" / kEntryName;
    if (const char* home = std::getenv("HOME"); IsAbsolute(home))
        return fs::path(home) / ".config" / "autostart" / kEntryName;
    return {};
}

std::string DesktopEntryText(const fs::path& executable) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Kalvo\n"
           "Comment=Pripomienky, meniny a narodeniny\n"
           "Exec=" +
           EscapeValue(QuoteExecArgument(executable.native())) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::optional<std::string> DesktopEntryProgram(std::string_view text) {
    bool inMainGroup = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!inMainGroup || eq == std::string_view::npos || Trim(line.substr(0, eq)) != "Exec") continue;
        const auto args = SplitExec(UnescapeValue(Trim(line.substr(eq + 1))));
        if (!args || args->size() != 1) return std::nullopt;
        return args->front();
    }
    return std::nullopt;
}

XdgAutostartEntry::XdgAutostartEntry(fs::path entryFile, fs::path executable)
    : file_(std::move(entryFile)), executable_(std::move(executable)) {}

bool XdgAutostartEntry::IsOn() const {
    if (file_.empty()) return false;
    const storage::FileBytes read = storage::ReadFileBytes(file_, 1024 * 1024);
    if (read.outcome != storage::ReadOutcome::Ok) return false;
    const std::string_view text(reinterpret_cast<const char*>(read.bytes.data()), read.bytes.size());
    const auto program = DesktopEntryProgram(text);
    return program && *program == executable_.native();
}

bool XdgAutostartEntry::Enable() {
    if (file_.empty()) return false;
    std::error_code ec;
    // Anything already there, even a dangling link, is someone's entry and stays as it is.
    if (fs::symlink_status(file_, ec).type() != fs::file_type::not_found) return !ec;
    fs::create_directories(file_.parent_path(), ec);
    if (ec) return false;
    const std::string text = DesktopEntryText(executable_);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    return static_cast<bool>(storage::WriteFileAtomically(
        file_, std::span(bytes, text.size()), storage::Durability::Flush, storage::NewFileAccess::Ordinary));
}

bool XdgAutostartEntry::Disable() {
    if (file_.empty()) return true;
    std::error_code ec;
    const fs::file_type type = fs::symlink_status(file_, ec).type();
    if (type == fs::file_type::not_found) return true;
    if (type == fs::file_type::directory) return false;
    return fs::remove(file_, ec) && !ec;
}

std::unique_ptr<AutostartEntry> MakeAutostartEntry(const fs::path& executable) {
    return std::make_unique<XdgAutostartEntry>(XdgAutostartFile(), executable);
}

}  // namespace kalvo
