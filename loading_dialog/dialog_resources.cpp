#include "loading_dialog/dialog_resources.h"

#include <map>
#include <mutex>
#include <new>
#include <system_error>
#include <utility>
#include <variant>

namespace tavrel {
namespace {

using Resource = std::variant<std::unique_ptr<DialogThread>, std::unique_ptr<DialogImage>,
                              std::unique_ptr<DialogMemory>>;

struct ResourceTable {
    std::mutex lock;  // creators may hand over from their own threads
    ResourceHandle lastHandle = 0;
    std::map<ResourceHandle, Resource> resources;
};

ResourceTable& table() {
    static ResourceTable resources;
    return resources;
}

template <class Kind>
ResourceHandle adopt(std::unique_ptr<Kind> object) {
    if (!object) return 0;
    ResourceTable& resources = table();
    std::lock_guard guard(resources.lock);
    try {
        const ResourceHandle handle = resources.lastHandle + 1;
        // The entry is made before the object moves in, so a failed allocation leaves the object
        // with the caller's argument, destroyed after the lock is let go.
        resources.resources.try_emplace(handle).first->second = std::move(object);
        resources.lastHandle = handle;
        return handle;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

template <class Kind>
std::unique_ptr<Kind> take(ResourceHandle handle) {
    if (handle == 0) return nullptr;
    ResourceTable& resources = table();
    std::lock_guard guard(resources.lock);
    auto found = resources.resources.find(handle);
    if (found == resources.resources.end()) return nullptr;
    auto* held = std::get_if<std::unique_ptr<Kind>>(&found->second);
    if (!held) return nullptr;
    std::unique_ptr<Kind> object = std::move(*held);
    resources.resources.erase(found);
    return object;
}

}  // namespace

StoppableWorker::StoppableWorker(std::function<void(std::stop_token)> work) : thread_(std::move(work)) {}

void StoppableWorker::stop() noexcept {
    thread_.request_stop();
    if (!thread_.joinable()) return;
    try {
        thread_.join();
    } catch (const std::system_error&) {
        // Stopped from its own thread: it finishes once the caller returns.
        thread_.detach();
    }
}

std::unique_ptr<DialogThread> startDialogWorker(std::function<void(std::stop_token)> work) {
    if (!work) return nullptr;
    try {
        return std::make_unique<StoppableWorker>(std::move(work));
    } catch (const std::system_error&) {
        return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

ResourceHandle adoptResource(std::unique_ptr<DialogThread> thread) { return adopt(std::move(thread)); }
ResourceHandle adoptResource(std::unique_ptr<DialogImage> image) { return adopt(std::move(image)); }
ResourceHandle adoptResource(std::unique_ptr<DialogMemory> memory) { return adopt(std::move(memory)); }

std::unique_ptr<DialogThread> takeDialogThread(ResourceHandle handle) { return take<DialogThread>(handle); }
std::unique_ptr<DialogImage> takeDialogImage(ResourceHandle handle) { return take<DialogImage>(handle); }
std::unique_ptr<DialogMemory> takeDialogMemory(ResourceHandle handle) { return take<DialogMemory>(handle); }

}  // namespace tavrel
