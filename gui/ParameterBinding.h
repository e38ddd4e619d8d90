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
#include <vector>

class HaldAuBase;

namespace HD {

class Control;

class ParameterBinding
{
public:
    using Deliver = void (*)(void* userData, Control* control, int index, float value);

    static constexpr int kParameterCount = 21;
    static constexpr size_t kQueueCapacity = 1024;

    ParameterBinding(Deliver deliver, void* userData);

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
    std::vector<Control*> lists_[kParameterCount];
    std::atomic<bool> hasControls_[kParameterCount] = {};

    // Two fixed lists: producers fill one while the window thread drains the other.
    Change buffers_[2][kQueueCapacity];
    size_t counts_[2] = {0, 0};
    int filling_ = 0;
    std::atomic<bool> overflowed_[kParameterCount] = {};
    std::atomic<float> overflowValues_[kParameterCount] = {};  // the latest value of each marked parameter
    std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
};

}  // namespace HD
