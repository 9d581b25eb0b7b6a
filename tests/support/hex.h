#pragma once
// Golden files are kept as commented hex text, so their bytes can be read and reviewed.

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kalvo::test {

inline std::vector<std::uint8_t> ParseHex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string word;
        while (words >> word) bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    }
    return bytes;
}

inline std::vector<std::uint8_t> ReadHexFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return ParseHex(s.str());
}

}  // namespace kalvo::test
