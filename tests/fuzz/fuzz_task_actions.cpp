// The scheduler cache's action decoder on arbitrary bytes: it never reads past them, and what it
// decodes could have come from them.
#include "base/task_cache_actions.h"

#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const tarn::CachedTaskActions decoded = tarn::DecodeCachedTaskActions(data, size);
    // Every action takes at least its mark and its id's count.
    Check(decoded.actions.size() <= size / 6);
    std::size_t units = decoded.context.size();
    for (const auto& action : decoded.actions) {
        units += action.id.size() + action.command.size() + action.arguments.size() + action.workingDirectory.size() +
                 action.data.size();
        Check(action.clsid.empty() || action.clsid.size() == 38);
    }
    Check(units <= size / 2);
    return 0;
}
