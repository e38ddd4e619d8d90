// A program: one complete set of parameter values (in units) and a name.
//
// Values are read by the audio thread and written by the host, the editor
// and the audio thread itself, without locks: each is one 32-bit word stored
// and loaded whole. Names belong to the user-interface thread.
#pragma once

#include <atomic>
#include <memory>

class HaldProgram
{
public:
    virtual ~HaldProgram() = default;
    // Callers pass 0 <= index < the parameter count.
    virtual void setValue(int index, float value) = 0;
    virtual float getValue(int index) = 0;
    virtual void setName(const char* name) = 0;
    virtual const char* getName() = 0;
};

class HaldProgramBasic : public HaldProgram
{
public:
    static constexpr int kNameBytes = 32;  // 31 characters and the zero

    explicit HaldProgramBasic(int parameterCount);

    void setValue(int index, float value) override { values_[index].store(value, std::memory_order_relaxed); }
    float getValue(int index) override { return values_[index].load(std::memory_order_relaxed); }
    // Keeps at most 31 characters.
    void setName(const char* name) override;
    const char* getName() override { return name_; }

private:
    std::unique_ptr<std::atomic<float>[]> values_;
    char name_[kNameBytes] = {};
};

static_assert(std::atomic<float>::is_always_lock_free, "parameter values must be lock-free words");
