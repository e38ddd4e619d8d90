#include "platform/ModuleHandle.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<void*> recordedHandle{nullptr};
}

void* moduleHandle() { return recordedHandle.load(std::memory_order_acquire); }
void setModuleHandle(void* handle) { recordedHandle.store(handle, std::memory_order_release); }

}  // namespace platform
