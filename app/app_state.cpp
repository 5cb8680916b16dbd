#include "app/app_state.h"

#include <utility>

#include "image/registry.h"

namespace tavrel {

AppState& appState() {
    static AppState state;
    return state;
}

ImageRegistry& imageRegistry() {
    static ImageRegistry registry;
    return registry;
}

void releaseAppState() {
    AppState& state = appState();
    // Swapping with empty values gives the memory back, not just the contents.
    std::string().swap(state.sourcePath);
    ByteBuffer().swap(state.resultBytes);
    ByteBuffer().swap(state.sourceBytes);
}

}  // namespace tavrel
