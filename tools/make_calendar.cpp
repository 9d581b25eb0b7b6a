// Builds calend.dat from the readable name-day table: one line per day of a leap year, tab-separated
// day, month, up to three names and a holiday, after a header line.
//
//   kalvo_make_calendar TABLE.tsv OUTPUT.dat

#include <array>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/cp1250.h"
#include "core/datetime.h"
#include "namedays/name_calendar.h"
#include "storage/file_io.h"

namespace {

using kalvo::namedays::NameCalendar;
using kalvo::namedays::TNameDay;

struct TableError {
    std::size_t line;
    std::string message;
};

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

int Number(const std::string& text, std::size_t line) {
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
        throw TableError{line, "not a day or month number: '" + text + "'"};
    return std::stoi(text);
}

NameCalendar ParseTable(std::istream& in) {
    NameCalendar calendar;
    std::set<std::pair<int, int>> seen;
    std::string line;
    std::size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1 || line.empty()) continue;  // the header names the columns
        const std::vector<std::string> f = SplitTabs(line);
        if (f.size() != 6)
            throw TableError{number, "expected 6 tab-separated fields, found " + std::to_string(f.size())};
        TNameDay e{Number(f[0], number), Number(f[1], number), f[5], f[2], f[3], f[4]};
        if (e.Month < 1 || e.Month > 12 || e.Day < 1 || e.Day > kalvo::DaysInMonth(2000, e.Month))
            throw TableError{number, "no such day: " + f[0] + "." + f[1] + "."};
        if (!seen.emplace(e.Day, e.Month).second)
            throw TableError{number, "day listed twice: " + f[0] + "." + f[1] + "."};
        for (const std::string* text : {&e.Holiday, &e.Name1, &e.Name2, &e.Name3}) {
            kalvo::Cp1250Error error;
            if (!kalvo::EncodeCp1250(*text, &error))
                throw TableError{number, "text that Windows-1250 cannot hold: '" + *text + "'"};
        }
        calendar.push_back(std::move(e));
    }
    if (calendar.size() != 366) throw TableError{number, "expected 366 days, found " + std::to_string(calendar.size())};
    return calendar;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: kalvo_make_calendar TABLE.tsv OUTPUT.dat\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << argv[1] << ": cannot open\n";
        return 1;
    }
    try {
        const NameCalendar calendar = ParseTable(in);
        const auto bytes = kalvo::namedays::EncodeNameCalendar(calendar);
        const std::filesystem::path out = kalvo::storage::PathFromUtf8(argv[2]);
        std::error_code ec;
        std::filesystem::create_directories(out.parent_path(), ec);
        if (!bytes || !kalvo::storage::WriteFileAtomically(out, *bytes, kalvo::storage::Durability::NoFlush)) {
            std::cerr << argv[2] << ": cannot write\n";
            return 1;
        }
    } catch (const TableError& e) {
        std::cerr << argv[1] << ":" << e.line << ": " << e.message << '\n';
        return 1;
    }
    return 0;
}
