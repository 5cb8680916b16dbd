#pragma once
// What a loading dialog may own: a worker thread, an image and a memory block. A creator hands
// one over to the resource table and gets a handle, and puts the handle in the dialog's
// property; the dialog releases what its handles name when it is destroyed. Handles are never
// reused, so a handle that was released already, or was never handed out, names nothing.

#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>

namespace tavrel {

// 0 names nothing.
using ResourceHandle = std::uint64_t;

class DialogThread {
public:
    virtual ~DialogThread() = default;
    // Asks the thread to finish and waits until it has.
    virtual void stop() noexcept = 0;
};

class DialogImage {
public:
    virtual ~DialogImage() = default;
    virtual void release() noexcept = 0;
};

class DialogMemory {
public:
    virtual ~DialogMemory() = default;
    virtual void free() noexcept = 0;
};

// A worker that runs `work` until the work returns or is asked to stop. Stopping is cooperative:
// the work polls its token, since a thread killed mid-way could leave a lock held.
class StoppableWorker final : public DialogThread {
public:
    explicit StoppableWorker(std::function<void(std::stop_token)> work);
    void stop() noexcept override;

private:
    std::jthread thread_;
};

// A started worker, or nullptr when no thread could be started.
std::unique_ptr<DialogThread> startDialogWorker(std::function<void(std::stop_token)> work);

// The table takes the object and answers its handle; 0 for a null object or when out of memory
// (the object is then destroyed).
ResourceHandle adoptResource(std::unique_ptr<DialogThread> thread);
ResourceHandle adoptResource(std::unique_ptr<DialogImage> image);
ResourceHandle adoptResource(std::unique_ptr<DialogMemory> memory);

// Gives the object back and forgets the handle; nullptr when the handle names no object of that
// kind (one of another kind stays in the table).
std::unique_ptr<DialogThread> takeDialogThread(ResourceHandle handle);
std::unique_ptr<DialogImage> takeDialogImage(ResourceHandle handle);
std::unique_ptr<DialogMemory> takeDialogMemory(ResourceHandle handle);

}  // namespace tavrel
