// The parameter binding: which controls hear of which changes, in what order,
// what is dropped, what survives a full queue, and producers on other threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "ToolkitRig.h"
#include "gui/Control.h"
#include "gui/ParameterBinding.h"

using HD::Control;
using HD::ParameterBinding;

namespace {

struct Delivery
{
    Control* control;
    int index;
    float value;
};

bool operator==(const Delivery& a, const Delivery& b)
{
    return a.control == b.control && a.index == b.index && a.value == b.value;
}

std::ostream& operator<<(std::ostream& out, const Delivery& d)
{
    return out << "{" << static_cast<const void*>(d.control) << ", " << d.index << ", " << d.value << "}";
}

struct Recorder
{
    static void deliver(void* userData, Control* control, int index, float value)
    {
        static_cast<Recorder*>(userData)->deliveries.push_back({control, index, value});
    }
    std::vector<Delivery> deliveries;
};

// Controls on a rig's window, registered a second time with a binding that
// only records.
struct BindingRig
{
    BindingRig() : binding(&Recorder::deliver, &recorder, r.effect.parameterCount()) {}
    Control* control(int index)
    {
        auto* c = new Control(index, &r.window);
        binding.addControl(index, c, &r.effect);
        return c;
    }

    rig::Rig r;
    Recorder recorder;
    ParameterBinding binding;
};

}  // namespace

TEST(BindingTest, ParametersWithNothingToShowNeverGetControls)
{
    BindingRig b;
    Control* unused = b.control(rig::kUnused);
    EXPECT_TRUE(b.binding.controls(rig::kUnused).empty());
    // The window's own binding, filled by the control's constructor, agrees.
    EXPECT_TRUE(b.r.window.binding.controls(rig::kUnused).empty());
    // Nor do indices the effect does not have.
    b.binding.addControl(-1, unused, &b.r.effect);
    b.binding.addControl(rig::kRigParameterCount, unused, &b.r.effect);
    b.binding.addControl(b.binding.parameterCount(), unused, &b.r.effect);
    for (int i = 0; i < b.binding.parameterCount(); ++i) EXPECT_TRUE(b.binding.controls(i).empty()) << i;

    // A parameter with a range is bound.
    Control* level = b.control(rig::kLevel);
    ASSERT_EQ(b.binding.controls(rig::kLevel).size(), 1u);
    EXPECT_EQ(b.binding.controls(rig::kLevel)[0], level);
    ASSERT_EQ(b.r.window.binding.controls(rig::kLevel).size(), 1u);
    EXPECT_EQ(b.r.window.binding.controls(rig::kLevel)[0], level);
}

TEST(BindingTest, FlushDeliversInArrivalOrderToEachControlInRegistrationOrder)
{
    BindingRig b;
    Control* level1 = b.control(rig::kLevel);
    Control* steps = b.control(rig::kSteps);
    Control* level2 = b.control(rig::kLevel);

    b.binding.queueChange(rig::kLevel, 0.1f);
    b.binding.queueChange(rig::kSteps, 3.0f);
    b.binding.queueChange(rig::kLevel, 0.2f);
    b.binding.queueChange(rig::kLevel, 0.15f);
    EXPECT_TRUE(b.recorder.deliveries.empty()) << "nothing arrives before the flush";
    b.binding.flushPending();

    const std::vector<Delivery> expected = {
        {level1, rig::kLevel, 0.1f},  {level2, rig::kLevel, 0.1f},  {steps, rig::kSteps, 3.0f},
        {level1, rig::kLevel, 0.2f},  {level2, rig::kLevel, 0.2f},  {level1, rig::kLevel, 0.15f},
        {level2, rig::kLevel, 0.15f},
    };
    EXPECT_EQ(b.recorder.deliveries, expected);

    // Delivered changes are gone.
    b.recorder.deliveries.clear();
    b.binding.flushPending();
    EXPECT_TRUE(b.recorder.deliveries.empty());
}

TEST(BindingTest, ChangesOfUnboundParametersAreDroppedAtOnce)
{
    BindingRig b;
    Control* level = b.control(rig::kLevel);
    b.binding.queueChange(rig::kSwitch, 1.0f);  // no control yet
    b.binding.queueChange(rig::kUnused, 1.0f);  // never a control
    b.binding.queueChange(-3, 1.0f);            // no such parameter
    b.binding.queueChange(b.binding.parameterCount(), 1.0f);
    b.binding.queueChange(rig::kLevel, 0.75f);

    // A control bound after the change does not receive it: it was never queued.
    b.control(rig::kSwitch);
    b.binding.flushPending();
    const std::vector<Delivery> expected = {{level, rig::kLevel, 0.75f}};
    EXPECT_EQ(b.recorder.deliveries, expected);
}

TEST(BindingTest, RefreshAllSendsEachBoundParameterItsCurrentValue)
{
    BindingRig b;
    Control* cutoff = b.control(rig::kCutoff);
    Control* level1 = b.control(rig::kLevel);
    Control* level2 = b.control(rig::kLevel);
    b.r.effect.setValue(rig::kLevel, 0.3f);
    b.r.effect.setValue(rig::kCutoff, 2500.0f);
    b.r.effect.setValue(rig::kSteps, 4.0f);  // no control: not sent

    b.binding.refreshAll(&b.r.effect);
    const std::vector<Delivery> expected = {
        {level1, rig::kLevel, 0.3f}, {level2, rig::kLevel, 0.3f}, {cutoff, rig::kCutoff, 2500.0f}};
    EXPECT_EQ(b.recorder.deliveries, expected);

    // The window's binding delivers to the controls themselves, which show the
    // values normalised: 0.3 on 0..1; ln(2500/50) / ln(12000/50) for the cutoff.
    b.r.window.binding.refreshAll(&b.r.effect);
    EXPECT_FLOAT_EQ(level1->value(), 0.3f);
    EXPECT_FLOAT_EQ(level2->value(), 0.3f);
    EXPECT_NEAR(cutoff->value(), std::log(50.0) / std::log(240.0), 1e-6);
}

TEST(BindingTest, AFullQueueStillDeliversTheLatestValue)
{
    BindingRig b;
    Control* level = b.control(rig::kLevel);
    Control* steps = b.control(rig::kSteps);
    const size_t capacity = ParameterBinding::kQueueCapacity;

    for (size_t i = 0; i < capacity; ++i) b.binding.queueChange(rig::kLevel, static_cast<float>(i));
    // These no longer fit.
    for (int i = 0; i < 5; ++i) b.binding.queueChange(rig::kSteps, 100.0f + static_cast<float>(i));
    for (int i = 0; i < 3; ++i) b.binding.queueChange(rig::kLevel, 5000.0f + static_cast<float>(i));
    b.binding.flushPending();

    const auto& d = b.recorder.deliveries;
    ASSERT_EQ(d.size(), capacity + 2);
    for (size_t i = 0; i < capacity; ++i) ASSERT_EQ(d[i], (Delivery{level, rig::kLevel, static_cast<float>(i)})) << i;
    // Then each parameter that overflowed, once, with its last value.
    EXPECT_EQ(d[capacity], (Delivery{level, rig::kLevel, 5002.0f}));
    EXPECT_EQ(d[capacity + 1], (Delivery{steps, rig::kSteps, 104.0f}));

    // The marks are spent, and the queue takes changes again.
    b.recorder.deliveries.clear();
    b.binding.queueChange(rig::kSteps, 2.0f);
    b.binding.flushPending();
    const std::vector<Delivery> after = {{steps, rig::kSteps, 2.0f}};
    EXPECT_EQ(b.recorder.deliveries, after);
}

TEST(BindingTest, ControlsEndAtTheLatestValueEvenPastAFullQueue)
{
    rig::Rig r;
    auto* level = new Control(rig::kLevel, &r.window);
    // Every change goes through the effect and its editor, as a host's would.
    const int changes = static_cast<int>(ParameterBinding::kQueueCapacity) + 300;
    for (int i = 1; i <= changes; ++i) r.effect.setParameter(rig::kLevel, static_cast<float>(i) / changes);
    EXPECT_FLOAT_EQ(level->value(), 0.0f) << "nothing before the flush";
    r.window.binding.flushPending();
    EXPECT_FLOAT_EQ(level->value(), 1.0f);

    // Several changes between two flushes: the control shows the last.
    r.effect.setParameter(rig::kLevel, 0.2f);
    r.effect.setParameter(rig::kLevel, 0.9f);
    r.effect.setParameter(rig::kLevel, 0.4f);
    r.window.binding.flushPending();
    EXPECT_FLOAT_EQ(level->value(), 0.4f);
}

// One thread per producer appending as fast as it can while another flushes,
// as an automation thread and the audio thread would against the window
// thread. Run it under ThreadSanitizer too (the linux-tsan preset).
TEST(BindingTest, ProducersOnOtherThreadsRaceTheFlushSafely)
{
    BindingRig b;
    Control* first[2] = {b.control(rig::kLevel), b.control(rig::kLevel)};
    Control* second = b.control(rig::kCutoff);
    // Producers keep going until the window thread has flushed many times
    // while they ran, however the threads happen to be scheduled.
    constexpr int kMinimumChanges = 100000;
    constexpr int kMinimumFlushes = 1000;
    constexpr int kMaximumChanges = 1 << 23;  // values stay exact in a float

    std::atomic<bool> go{false};
    std::atomic<int> flushes{0};
    std::atomic<int> running{2};
    float made[2] = {0, 0};  // each producer's last value, read after join
    auto produce = [&](int index, float* last) {
        while (!go.load()) std::this_thread::yield();
        // Increasing values, so order is visible at the other end.
        int k = 0;
        while ((k < kMinimumChanges || flushes.load(std::memory_order_relaxed) < kMinimumFlushes) &&
               k < kMaximumChanges)
            b.binding.queueChange(index, static_cast<float>(++k));
        *last = static_cast<float>(k);
        running.fetch_sub(1);
    };
    std::thread a(produce, rig::kLevel, &made[0]);
    std::thread c(produce, rig::kCutoff, &made[1]);
    go.store(true);
    while (running.load() > 0) {
        b.binding.flushPending();
        flushes.fetch_add(1, std::memory_order_relaxed);
    }
    a.join();
    c.join();
    b.binding.flushPending();
    ASSERT_GE(made[0], static_cast<float>(kMinimumChanges));
    ASSERT_GE(made[1], static_cast<float>(kMinimumChanges));

    // Per parameter: values strictly increasing (arrival order kept, nothing
    // delivered twice), each change to the Level controls as one consecutive
    // pair, and the last value made is the last delivered.
    float lastLevel = 0.0f, lastCutoff = 0.0f;
    size_t levelCount = 0, cutoffCount = 0;
    const auto& d = b.recorder.deliveries;
    for (size_t i = 0; i < d.size(); ++i) {
        if (d[i].index == rig::kLevel) {
            ASSERT_LT(i + 1, d.size());
            ASSERT_EQ(d[i].control, first[0]);
            ASSERT_EQ(d[i + 1], (Delivery{first[1], rig::kLevel, d[i].value})) << i;
            ASSERT_GT(d[i].value, lastLevel) << i;
            lastLevel = d[i].value;
            ++levelCount;
            ++i;
        } else {
            ASSERT_EQ(d[i].index, rig::kCutoff) << i;
            ASSERT_EQ(d[i].control, second);
            ASSERT_GT(d[i].value, lastCutoff) << i;
            lastCutoff = d[i].value;
            ++cutoffCount;
        }
    }
    EXPECT_EQ(lastLevel, made[0]);
    EXPECT_EQ(lastCutoff, made[1]);
    EXPECT_LE(levelCount, static_cast<size_t>(made[0]));
    EXPECT_LE(cutoffCount, static_cast<size_t>(made[1]));
    EXPECT_GT(flushes.load(), 0);
}
