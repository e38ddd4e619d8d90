#include "gui/ParameterBinding.h"

#include <thread>

#include "framework/HaldAuBase.h"

namespace HD {

ParameterBinding::ParameterBinding(Deliver deliver, void* userData, int parameterCount)
    : deliver_(deliver), userData_(userData), count_(parameterCount > 0 ? parameterCount : 0),
      lists_(static_cast<size_t>(count_)), hasControls_(new std::atomic<bool>[static_cast<size_t>(count_)]()),
      overflowed_(new std::atomic<bool>[static_cast<size_t>(count_)]()),
      overflowValues_(new std::atomic<float>[static_cast<size_t>(count_)]()),
      marked_(new bool[static_cast<size_t>(count_)]()), markedValues_(new float[static_cast<size_t>(count_)]())
{
}

void ParameterBinding::addControl(int index, Control* control, const HaldAuBase* effect)
{
    if (index < 0 || index >= count_ || !control || !effect || index >= effect->parameterCount()) return;
    // A parameter with no range and no default has nothing a control could show.
    const ParameterInfo& info = effect->parameterInfo(index);
    if (info.minimum == 0.0f && info.maximum == 0.0f && info.defaultValue == 0.0f) return;
    lists_[index].push_back(control);
    hasControls_[index].store(true, std::memory_order_release);
}

void ParameterBinding::lock()
{
    // Held only for an append or a swap: a few instructions. Spin, but let
    // the holder run should it have been preempted.
    for (int spins = 0; busy_.test_and_set(std::memory_order_acquire); ++spins)
        if (spins >= 64) std::this_thread::yield();
}

void ParameterBinding::unlock() { busy_.clear(std::memory_order_release); }

void ParameterBinding::queueChange(int index, float value)
{
    if (index < 0 || index >= count_) return;
    if (!hasControls_[index].load(std::memory_order_acquire)) return;
    lock();
    size_t& count = counts_[filling_];
    if (count < kQueueCapacity) {
        buffers_[filling_][count++] = Change{index, value};
    } else {
        overflowValues_[index].store(value, std::memory_order_relaxed);
        overflowed_[index].store(true, std::memory_order_relaxed);
    }
    unlock();
}

void ParameterBinding::flushPending()
{
    // Swap the lists, and take the marks of changes that did not fit, in one
    // go: marks made after the swap belong to the next flush, which keeps
    // deliveries in arrival order.
    bool* marked = marked_.get();
    float* markedValues = markedValues_.get();
    lock();
    const int draining = filling_;
    filling_ = 1 - filling_;
    for (int i = 0; i < count_; ++i) {
        marked[i] = overflowed_[i].exchange(false, std::memory_order_relaxed);
        markedValues[i] = overflowValues_[i].load(std::memory_order_relaxed);
    }
    unlock();

    const Change* changes = buffers_[draining];
    const size_t count = counts_[draining];
    for (size_t c = 0; c < count; ++c) {
        const Change change = changes[c];
        for (Control* control : lists_[change.index]) deliver_(userData_, control, change.index, change.value);
    }
    // Producers fill the other list until the next swap, which takes the lock.
    counts_[draining] = 0;

    for (int i = 0; i < count_; ++i)
        if (marked[i])
            for (Control* control : lists_[i]) deliver_(userData_, control, i, markedValues[i]);
}

void ParameterBinding::refreshAll(HaldAuBase* effect)
{
    if (!effect) return;
    const int count = effect->parameterCount() < count_ ? effect->parameterCount() : count_;
    for (int i = 0; i < count; ++i) {
        if (lists_[i].empty()) continue;
        const float value = effect->getValue(i);
        for (Control* control : lists_[i]) deliver_(userData_, control, i, value);
    }
}

}  // namespace HD
