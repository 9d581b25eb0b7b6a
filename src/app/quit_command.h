#pragma once
// `kalvo --quit [FOLDER]`: ends the current user's running copy of the program in FOLDER (by default
// this program's own folder) as its "Ukončiť" does, its changes saved, and waits up to 30 seconds for
// it to be gone. The Windows installer and uninstaller run it before they replace or remove the files;
// copies of other folders and other users are left alone.
//
// Exit status: 0 it has ended, 1 none was running, 2 it is still running (a window of it waits for the
// user, it did not answer or did not end in time), 3 bad usage.

#include <optional>

namespace kalvo::app {

// The command's exit status, or nullopt when the command line is not a --quit one.
std::optional<int> RunQuitCommand(int argc, char** argv);

}  // namespace kalvo::app
