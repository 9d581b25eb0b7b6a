#include "cli/cli_context.h"

#include <cstdio>
#include <iostream>
#include <limits>
#include <regex>

#include "platform/system_paths.h"

namespace kalvo::cli {

std::filesystem::path Context::Dir() const {
    return dirOption.empty() ? ResolveProgramFolder(ExecutablePath().parent_path()) : dirOption;
}

Moment ParseMoment(const std::string& text) {
    static const std::regex form(R"((\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2}))");
    std::smatch m;
    if (!std::regex_match(text, m, form))
        throw CliError(kUsageError, "Namiesto „" + text + "“ sa očakáva dátum a čas v tvare RRRR-MM-DD HH:MM:SS.");
    const int h = std::stoi(m[4]), mi = std::stoi(m[5]), s = std::stoi(m[6]);
    if (h > 23 || mi > 59 || s > 59) throw CliError(kUsageError, "Taký čas dňa neexistuje: „" + text + "“.");
    return Moment{ParseDay(text.substr(0, 10)), (h * 60 + mi) * 60 + s};
}

DayNumber ParseDay(const std::string& text) {
    static const std::regex form(R"((\d{4})-(\d{2})-(\d{2}))");
    std::smatch m;
    if (!std::regex_match(text, m, form))
        throw CliError(kUsageError, "Namiesto „" + text + "“ sa očakáva dátum v tvare RRRR-MM-DD.");
    const int y = std::stoi(m[1]), mo = std::stoi(m[2]), d = std::stoi(m[3]);
    if (mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo))
        throw CliError(kUsageError, "Dátum „" + text + "“ neexistuje.");
    return ClampDay(CivilToDay(y, mo, d));
}

std::string FormatDay(DayNumber day) {
    const CivilDate c = DayToCivil(day);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04lld-%02d-%02d", static_cast<long long>(c.year), c.month, c.day);
    return buf;
}

std::string FormatMoment(const Moment& m) {
    char buf[48];
    std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", m.second / 3600, m.second / 60 % 60, m.second % 60);
    return FormatDay(m.day) + buf;
}

std::string TakeOption(std::vector<std::string>& args, const std::string& name) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != name) continue;
        if (i + 1 >= args.size()) throw CliError(kUsageError, "Voľba " + name + " potrebuje hodnotu.");
        std::string value = args[i + 1];
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        return value;
    }
    return {};
}

std::string TakePositional(std::vector<std::string>& args, const char* what) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i].rfind("--", 0) == 0) continue;
        std::string value = args[i];
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
        return value;
    }
    throw CliError(kUsageError, std::string("Chýba argument ") + what + ".");
}

void ExpectNoMore(const std::vector<std::string>& args) {
    if (!args.empty()) throw CliError(kUsageError, "Nadbytočný argument „" + args.front() + "“.");
}

Json RecordToJson(const TReminder& r) {
    Json j;
    j["Date"] = r.Date;
    j["Time"] = r.Time;
    j["Text"] = r.Text;
    j["Notice"] = r.Notice;
    j["NoticeFrom"] = r.NoticeFrom;
    j["NoticeNext"] = r.NoticeNext;
    j["Period"] = r.Period;
    j["NoticeTime"] = r.NoticeTime;
    j["Picture"] = r.Picture;
    j["Melody"] = r.Melody;
    j["IsNameDay"] = r.IsNameDay;
    j["IsBirthday"] = r.IsBirthday;
    j["NoticeWeekDay"] = r.NoticeWeekDay;
    return j;
}

namespace {

const Json& Field(const Json& j, const char* name, std::size_t index) {
    const auto it = j.find(name);
    if (it == j.end()) throw CliError(kUsageError, "záznam " + std::to_string(index) + ": chýba pole " + name);
    return *it;
}

template <class Int>
Int IntField(const Json& j, const char* name, std::size_t index) {
    const Json& v = Field(j, name, index);
    bool fits = false;
    long long value = 0;
    if (v.is_number_integer()) {
        value = v.is_number_unsigned() && v.get<unsigned long long>() >
                                              static_cast<unsigned long long>(std::numeric_limits<long long>::max())
                    ? std::numeric_limits<long long>::max()
                    : v.get<long long>();
        fits = value >= static_cast<long long>(std::numeric_limits<Int>::min()) &&
               value <= static_cast<long long>(std::numeric_limits<Int>::max());
    }
    if (!fits)
        throw CliError(kUsageError, "záznam " + std::to_string(index) + ": pole " + name +
                                        " musí byť celé číslo v povolenom rozsahu");
    return static_cast<Int>(value);
}

double NumberField(const Json& j, const char* name, std::size_t index) {
    const Json& v = Field(j, name, index);
    if (!v.is_number())
        throw CliError(kUsageError, "záznam " + std::to_string(index) + ": pole " + name + " musí byť číslo");
    return v.get<double>();
}

std::string StringField(const Json& j, const char* name, std::size_t index) {
    const Json& v = Field(j, name, index);
    if (!v.is_string())
        throw CliError(kUsageError, "záznam " + std::to_string(index) + ": pole " + name + " musí byť reťazec");
    return v.get<std::string>();
}

}  // namespace

TReminder RecordFromJson(const Json& j, std::size_t index) {
    if (!j.is_object()) throw CliError(kUsageError, "záznam " + std::to_string(index) + " nie je objekt JSON");
    TReminder r;
    r.Date = IntField<std::int32_t>(j, "Date", index);
    r.Time = NumberField(j, "Time", index);
    r.Text = StringField(j, "Text", index);
    r.Notice = IntField<std::uint8_t>(j, "Notice", index);
    r.NoticeFrom = IntField<std::int32_t>(j, "NoticeFrom", index);
    r.NoticeNext = IntField<std::int32_t>(j, "NoticeNext", index);
    r.Period = IntField<std::int32_t>(j, "Period", index);
    r.NoticeTime = NumberField(j, "NoticeTime", index);
    r.Picture = StringField(j, "Picture", index);
    r.Melody = StringField(j, "Melody", index);
    r.IsNameDay = IntField<std::uint8_t>(j, "IsNameDay", index);
    r.IsBirthday = IntField<std::uint8_t>(j, "IsBirthday", index);
    r.NoticeWeekDay = IntField<std::int32_t>(j, "NoticeWeekDay", index);
    return r;
}

void PrintJson(const Json& j) { std::cout << j.dump() << '\n'; }

}  // namespace kalvo::cli
