// Synthesises the standard melody sound.wav: a soft two-note bell chime, 16-bit mono PCM. Pure
// arithmetic with no randomness, so every build writes the same bytes.
//
//   kalvo_make_chime OUTPUT.wav

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <numbers>
#include <vector>

#include "storage/file_io.h"

namespace {

constexpr std::uint32_t kRate = 22050;
constexpr double kSeconds = 1.4;

struct Note {
    double start;      // seconds
    double frequency;  // Hz
    double loudness;
};

// E6 then C6: a falling major third, the classic door chime.
constexpr Note kNotes[] = {{0.0, 1318.51, 1.0}, {0.32, 1046.50, 0.9}};

// A struck bell: a quick attack, partials that die away faster the higher they are.
double Bell(double t, double f) {
    if (t < 0) return 0;
    const double attack = std::min(1.0, t / 0.004);
    constexpr double partials[][3] = {{1.0, 1.0, 0.55}, {2.0, 0.35, 0.30}, {3.01, 0.12, 0.18}, {4.2, 0.05, 0.10}};
    double v = 0;
    for (const auto& p : partials) v += p[1] * std::exp(-t / p[2]) * std::sin(2 * std::numbers::pi * f * p[0] * t);
    return attack * v;
}

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
}

void PutTag(std::vector<std::uint8_t>& out, const char (&tag)[5]) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: kalvo_make_chime OUTPUT.wav\n";
        return 2;
    }
    const auto frames = static_cast<std::uint32_t>(kSeconds * kRate);
    std::vector<double> signal(frames);
    double peak = 0;
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        double v = 0;
        for (const Note& n : kNotes) v += n.loudness * Bell(t - n.start, n.frequency);
        // The last 50 ms fade to silence, so the end never clicks.
        v *= std::min(1.0, (kSeconds - t) / 0.05);
        signal[i] = v;
        peak = std::max(peak, std::fabs(v));
    }
    const std::uint32_t dataBytes = frames * 2;
    std::vector<std::uint8_t> wav;
    PutTag(wav, "RIFF");
    Put32(wav, 36 + dataBytes);
    PutTag(wav, "WAVE");
    PutTag(wav, "fmt ");
    Put32(wav, 16);
    Put16(wav, 1);  // PCM
    Put16(wav, 1);  // mono
    Put32(wav, kRate);
    Put32(wav, kRate * 2);
    Put16(wav, 2);
    Put16(wav, 16);
    PutTag(wav, "data");
    Put32(wav, dataBytes);
    const double scale = 0.7 * 32767.0 / peak;
    for (const double v : signal)
        Put16(wav, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * scale))));

    const std::filesystem::path out = kalvo::storage::PathFromUtf8(argv[1]);
    std::error_code ec;
    std::filesystem::create_directories(out.parent_path(), ec);
    if (!kalvo::storage::WriteFileAtomically(out, wav, kalvo::storage::Durability::NoFlush)) {
        std::cerr << argv[1] << ": cannot write\n";
        return 1;
    }
    return 0;
}
