// A program killed while it saves must leave the reminder file as it was before that save or as the save
// meant it to be, never a mixture, and never lose a save it had finished. A saver process commits one
// generation of the list after another; it is killed with SIGKILL at random moments a few hundred times,
// and after each kill the file is compared byte for byte with the last reported generation and the next.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "crash_generation.h"
#include "support/temp_folder.h"

extern char** environ;

namespace kalvo::storage {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The saver, its standard output read as it goes.
class Saver {
public:
    Saver(const fs::path& folder, long long first) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        const std::string program = KALVO_CRASH_SAVER, dir = folder.string(), start = std::to_string(first);
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(dir.c_str()),
                        const_cast<char*>(start.c_str()), nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        fd_ = out[0];
        ::fcntl(fd_, F_SETFL, O_NONBLOCK);
    }
    ~Saver() {
        if (pid_ > 0) KillAndWait();
        if (fd_ >= 0) ::close(fd_);
    }
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    bool Started() const { return pid_ > 0; }

    // Reads what the saver has reported so far; waits up to `wait` for something new.
    void Drain(std::chrono::milliseconds wait = std::chrono::milliseconds(0)) {
        pollfd p{fd_, POLLIN, 0};
        if (wait.count() > 0 && ::poll(&p, 1, static_cast<int>(wait.count())) <= 0) return;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) return;
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] == '\n') {
                    lastReported_ = std::stoll(line_);
                    ++reports_;
                    line_.clear();
                } else {
                    line_ += buffer[i];
                }
            }
        }
    }

    // The exit status; WIFSIGNALED when the kill was what ended it.
    int KillAndWait() {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        Drain();
        return status;
    }

    int Reports() const { return reports_; }
    long long LastReported() const { return lastReported_; }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string line_;
    int reports_ = 0;
    long long lastReported_ = -1;
};

std::vector<std::uint8_t> ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(CrashSafety, KilledWhileSavingLeavesTheOldOrTheNewFile) {
    constexpr int kKills = 300;
    const auto deadline = Clock::now() + std::chrono::seconds(90);
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);

    test::TempFolder dir;
    const fs::path file = dir / "eva.dat";
    long long inFile = -1;  // the generation the file holds; -1 before the first run created it empty
    int kills = 0, midWrite = 0;
    while (kills < kKills && Clock::now() < deadline) {
        Saver saver(dir.Path(), inFile + 1);
        ASSERT_TRUE(saver.Started());
        // Kill at once now and then (while it starts and reads the file), usually somewhere in its loop.
        if (rng() % 8 != 0) {
            saver.Drain(std::chrono::milliseconds(2000));
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 4000));
        }
        const int status = saver.KillAndWait();
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver stopped by itself with status " << WEXITSTATUS(status)
                                         << " (it found the file damaged or could not save)";
        ++kills;

        // The last save it reported is in the file, or the one it was making.
        const long long reported = saver.Reports() > 0 ? saver.LastReported() : inFile;
        const auto bytes = ReadAll(file);
        if (bytes == test::CrashGenerationBytes(reported)) {
            inFile = reported;
        } else {
            ASSERT_EQ(bytes, test::CrashGenerationBytes(reported + 1))
                << "after kill " << kills << " the file is neither generation " << reported << " nor the next";
            inFile = reported + 1;
        }

        // A temporary file left behind shows the kill came in the middle of a save; it never has the
        // file's name, so it harms nothing, but it is cleared here to count the next one.
        for (const auto& entry : fs::directory_iterator(dir.Path())) {
            if (entry.path().filename() == "eva.dat" || entry.path().filename() == ".kalvo.lock") continue;
            EXPECT_EQ(entry.path().filename().string().rfind("eva.dat.tmp.", 0), 0u) << entry.path();
            fs::remove(entry.path());
            ++midWrite;
        }
    }
    EXPECT_EQ(kills, kKills) << "ran out of time";
    EXPECT_GT(inFile, 100) << "the saver hardly saved anything";
    // Kills between two saves prove little; many must have hit a save while it was being written.
    EXPECT_GE(midWrite, kills / 10);
    std::printf("%d kills, %d in the middle of a save, %lld generations saved\n", kills, midWrite, inFile + 1);
}

}  // namespace
}  // namespace kalvo::storage
