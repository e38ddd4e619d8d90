// The effect as an LV2 plug-in instance: the same effect object the VST
// module makes, driven through its own record as a VST host would drive it.
// Port values go through the parameter table's mapping into setParameter, so
// the effect stores exactly what it stores for a VST host; the host's
// transport arrives as time:Position objects and is answered to the effect's
// getTimeInfo.
//
// Threads: create, connect, activate, deactivate and the destructor on the
// host's instantiation thread; run on its audio thread; setUiLink and the
// link's calls on the user-interface thread.
#pragma once

#include <atomic>
#include <cstdint>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include "lv2/Lv2Ports.h"
#include "plugin/VstInterface.h"

class AudioEffect;
class HaldParfelle;

class Lv2Effect
{
public:
    // Where the editor's gestures go: the UI's write function and touch.
    class UiLink
    {
    public:
        virtual void automate(int parameter, float units) = 0;
        virtual void touch(int parameter, bool grabbed) = 0;

    protected:
        ~UiLink() = default;
    };

    // Null when the effect could not be made (never throws).
    static Lv2Effect* create(double sampleRate, const LV2_Feature* const* features);
    ~Lv2Effect();
    Lv2Effect(const Lv2Effect&) = delete;
    Lv2Effect& operator=(const Lv2Effect&) = delete;

    void connect(uint32_t port, void* data);
    void activate();
    void run(uint32_t frames);
    void deactivate();

    HaldParfelle* effect() const { return effect_; }
    void setUiLink(UiLink* link) { uiLink_.store(link, std::memory_order_release); }

    // The tempo the effect is told, 0 while no usable position has arrived
    // (audio thread; for tests).
    double tempo() const { return haveTempo_ ? timeInfo_.tempo : 0.0; }

private:
    Lv2Effect(AudioEffect* effect, double sampleRate, LV2_URID_Map* map);
    static intptr_t VST_CALLBACK hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                              void* data, float opt);
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* data = nullptr,
                      float opt = 0.0f);
    void applyPortValues();
    void readTransport();
    void readPosition(const LV2_Atom_Object_Body& position, uint32_t size);
    bool readNumber(uint32_t type, const void* body, uint32_t size, double& number) const;

    AudioEffect* audioEffect_;
    HaldParfelle* effect_;
    AEffect* record_;

    const float* controls_[kParfelleParameterCount] = {};
    uint32_t appliedBits_[kParfelleParameterCount] = {};
    bool applied_[kParfelleParameterCount] = {};
    const float* inputs_[2] = {};
    float* outputs_[2] = {};
    const LV2_Atom_Sequence* transport_ = nullptr;

    struct Urids
    {
        LV2_URID atomObject = 0, atomBlank = 0, atomFloat = 0, atomDouble = 0, atomInt = 0, atomLong = 0;
        LV2_URID timePosition = 0, timeBeatsPerMinute = 0, timeSpeed = 0;
    };
    bool mapped_ = false;
    Urids urids_;

    VstTimeInfo timeInfo_{};  // also the sample rate the effect runs at
    bool haveTempo_ = false;

    std::atomic<UiLink*> uiLink_{nullptr};
};
