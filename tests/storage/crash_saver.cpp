// The crash test's victim: saves one generation after another through the real save-and-reload cycle and
// reports each finished save on standard output, until it is killed.
//   kalvo_crash_saver FOLDER FIRST_GENERATION

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "crash_generation.h"
#include "storage/reminder_store.h"
#include "support/temp_folder.h"

namespace {

// Anything the store has to tell means the file was found damaged or could not be written.
class FailingDialogs : public kalvo::Dialogs {
public:
    bool AskYesNo(const std::string& caption, const std::string& text, kalvo::QuestionIcon) override {
        Fail(caption, text);
    }
    void Inform(const std::string& caption, const std::string& text) override { Fail(caption, text); }
    void ShowError(const std::string& caption, const std::string& text) override { Fail(caption, text); }
    std::optional<std::string> ChooseOpenFile(const kalvo::FileDialogOptions&) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const kalvo::FileDialogOptions&) override { return std::nullopt; }

private:
    [[noreturn]] static void Fail(const std::string& caption, const std::string& text) {
        std::cerr << caption << ": " << text << std::endl;
        std::_Exit(3);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: kalvo_crash_saver FOLDER FIRST_GENERATION\n";
        return 2;
    }
    FailingDialogs dialogs;
    kalvo::test::FakeClock clock;
    kalvo::storage::ReminderStore store(kalvo::storage::DataFiles{kalvo::storage::PathFromUtf8(argv[1]), "eva"},
                                        dialogs, clock);
    store.OpenUserFile();
    for (long long k = std::atoll(argv[2]);; ++k) {
        store.Reminders() = kalvo::test::CrashGeneration(k);
        if (!store.Commit()) return 4;
        std::printf("%lld\n", k);
        std::fflush(stdout);
    }
}
