#include "app/quit_command.h"

#include <QCoreApplication>
#include <QStringList>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "app/single_instance.h"
#include "platform/system_paths.h"
#include "storage/file_io.h"

namespace kalvo::app {

std::optional<int> RunQuitCommand(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--quit") != 0) return std::nullopt;
    // The arguments as Qt reads them: on Windows from the wide command line, so any folder name survives.
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 3) return 3;
    std::filesystem::path program = ExecutablePath().parent_path();
    if (args.size() == 3) {
        std::error_code ec;
        program = std::filesystem::absolute(storage::PathFromUtf8(args[2].toStdString()), ec).lexically_normal();
        if (!program.has_filename()) program = program.parent_path();  // "C:\Kalvo\" names C:\Kalvo
    }
    // The folder whose files the copy of that program keeps, as that copy itself decides it.
    const QString key = InstanceKey(LogonUserName(), ResolveProgramFolder(program));
    switch (SingleInstance::RequestQuit(key, std::chrono::seconds(30))) {
        case SingleInstance::QuitResult::Ended:
            return 0;
        case SingleInstance::QuitResult::NoneRunning:
            return 1;
        case SingleInstance::QuitResult::StillRunning:
            return 2;
    }
    return 2;
}

}  // namespace kalvo::app
