#pragma once
// The lists that the crash test's saver writes one after another. Generation k is told apart from its
// neighbours by its texts and by its size, so a file mixed from two saves cannot pass for either.

#include <cstdint>
#include <string>
#include <vector>

#include "core/zorad.h"
#include "storage/reminder_file.h"
#include "support/builders.h"

namespace kalvo::test {

inline ReminderList CrashGeneration(long long k) {
    ReminderList list;
    const int count = static_cast<int>(1 + k % 5);
    for (int i = 0; i < count; ++i) {
        const std::string text =
            "g" + std::to_string(k) + "-" + std::to_string(i) + " " +
            std::string(static_cast<std::size_t>((k * 37 + i * 11) % 700), static_cast<char>('a' + i));
        list.push_back(Ordinary(Day(2027, 1, 1) + count - i, At(8, i), text));
    }
    return list;
}

// The bytes of generation k as the save-and-reload cycle writes them; -1 is the empty file of a first run.
inline std::vector<std::uint8_t> CrashGenerationBytes(long long k) {
    if (k < 0) return {};
    ReminderList list = CrashGeneration(k);
    Zorad(list);
    return *storage::EncodeReminderFile(list);
}

}  // namespace kalvo::test
