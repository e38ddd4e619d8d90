// Connects parameter changes, from whatever thread makes them, to the
// controls bound to each parameter.
//
// queueChange may run on any thread, the host's audio thread included: it
// never allocates, and the lock it takes is held by the other side only
// while the two pending lists are swapped. When the list is full, the
// parameter is marked instead; the next flush still delivers it, and since a
// control re-reads its parameter from the effect, it shows the latest value.
// flushPending and refreshAll run on the window thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

class HaldAuBase;

namespace HD {

class Control;

class ParameterBinding
{
public:
    using Deliver = void (*)(void* userData, Control* control, int index, float value);

    static constexpr size_t kQueueCapacity = 1024;

    // For parameters 0 to parameterCount - 1 (the effect's count).
    ParameterBinding(Deliver deliver, void* userData, int parameterCount);

    int parameterCount() const { return count_; }

    // Window thread, while the panel is built.
    void addControl(int index, Control* control, const HaldAuBase* effect);
    // Any thread.
    void queueChange(int index, float value);
    // Window thread: every pending change, in arrival order, to every
    // control of its parameter, in registration order.
    void flushPending();
    // Window thread: each bound parameter's current value to its controls.
    void refreshAll(HaldAuBase* effect);

    const std::vector<Control*>& controls(int index) const { return lists_[index]; }

private:
    struct Change
    {
        int index;
        float value;
    };

    void lock();
    void unlock();

    Deliver deliver_;
    void* userData_;
    int count_;
    std::vector<std::vector<Control*>> lists_;
    std::unique_ptr<std::atomic<bool>[]> hasControls_;

    // Two fixed lists: producers fill one while the window thread drains the other.
    Change buffers_[2][kQueueCapacity];
    size_t counts_[2] = {0, 0};
    int filling_ = 0;
    std::unique_ptr<std::atomic<bool>[]> overflowed_;
    std::unique_ptr<std::atomic<float>[]> overflowValues_;  // the latest value of each marked parameter
    // The flush's copies of the marks, made once here.
    std::unique_ptr<bool[]> marked_;
    std::unique_ptr<float[]> markedValues_;
    std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
};

}  // namespace HD
