// A module for the loader's tests: entry functions whose tables are right, of another version, of another
// size, and none at all.

#include "cli/private_module.h"

namespace {

struct Table {
    kalvo::cli::ModuleStamp stamp;
    int answer;
};

const Table kGood{{sizeof(Table), "test 1"}, 42};
const Table kOtherVersion{{sizeof(Table), "test 0"}, 41};
const Table kOtherSize{{sizeof(Table) + 8, "test 1"}, 40};

}  // namespace

extern "C" {
__attribute__((visibility("default"))) const void* kalvo_test_good() { return &kGood; }
__attribute__((visibility("default"))) const void* kalvo_test_other_version() { return &kOtherVersion; }
__attribute__((visibility("default"))) const void* kalvo_test_other_size() { return &kOtherSize; }
__attribute__((visibility("default"))) const void* kalvo_test_empty() { return nullptr; }
}
