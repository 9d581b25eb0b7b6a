// The entry of kalvo-cli-sync.so: the sync commands of sync_functions.cpp in one table.

#include "cli/sync_module.h"

extern "C" __attribute__((visibility("default"))) const void* kalvo_cli_sync_module() {
    return &kalvo::cli::SyncFunctions();
}
