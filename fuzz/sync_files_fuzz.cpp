// Any bytes as the sync's state file and as its hints: the readers must end with a status, never crash or
// trust a length, and what they read must survive a write and a second read unchanged.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "storage/sync_hints.h"
#include "sync/sync_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kalvo;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const sync::StateRead state = sync::DecodeState(text);
    if (state.status == sync::StateStatus::Ok) {
        const std::string once = sync::EncodeState(state.state);
        const sync::StateRead again = sync::DecodeState(once);
        if (again.status != sync::StateStatus::Ok || sync::EncodeState(again.state) != once) std::abort();
    }

    const storage::DecodedHints hints = storage::DecodeHints(text);
    const auto written = storage::EncodeHints(hints.hints);
    if (!written) std::abort();  // every record read can be written back
    const storage::DecodedHints back = storage::DecodeHints(*written);
    if (back.damagedLines != 0 || back.hints.size() != hints.hints.size()) std::abort();
    if (*storage::EncodeHints(back.hints) != *written) std::abort();
    return 0;
}
