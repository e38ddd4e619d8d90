#include "lv2/Lv2Effect.h"

#include <cstring>

#include <lv2/atom/atom.h>
#include <lv2/time/time.h>

#include "effect/HaldParfelle.h"
#include "plugin/PluginEntry.h"

namespace {

constexpr intptr_t kHostVstVersion = 2400;

uint32_t bitsOf(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

uint32_t padded(uint32_t size) { return (size + 7u) & ~7u; }

}  // namespace

Lv2Effect* Lv2Effect::create(double sampleRate, const LV2_Feature* const* features)
{
    LV2_URID_Map* map = nullptr;
    for (const LV2_Feature* const* f = features; f && *f; ++f)
        if ((*f)->URI && std::strcmp((*f)->URI, LV2_URID__map) == 0) map = static_cast<LV2_URID_Map*>((*f)->data);
    if (!(sampleRate > 0.0) || sampleRate > 1e7) return nullptr;
    try {
        AudioEffect* effect = createEffectInstance(hostCallback);
        return new Lv2Effect(effect, sampleRate, map);
    } catch (...) {
        return nullptr;
    }
}

Lv2Effect::Lv2Effect(AudioEffect* effect, double sampleRate, LV2_URID_Map* map)
    : audioEffect_(effect), effect_(static_cast<HaldParfelle*>(effect)), record_(effect->getAeffect())
{
    record_->user = this;
    if (map && map->map) {
        const auto u = [map](const char* uri) { return map->map(map->handle, uri); };
        urids_.atomObject = u(LV2_ATOM__Object);
        urids_.atomBlank = u(LV2_ATOM__Blank);
        urids_.atomFloat = u(LV2_ATOM__Float);
        urids_.atomDouble = u(LV2_ATOM__Double);
        urids_.atomInt = u(LV2_ATOM__Int);
        urids_.atomLong = u(LV2_ATOM__Long);
        urids_.timePosition = u(LV2_TIME__Position);
        urids_.timeBeatsPerMinute = u(LV2_TIME__beatsPerMinute);
        urids_.timeSpeed = u(LV2_TIME__speed);
        mapped_ = true;
    }
    timeInfo_.sampleRate = sampleRate;

    // The order a VST host opens a plug-in in; the block size is only a hint
    // (run takes any number of frames).
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(effSetBlockSize, 0, 512);
}

Lv2Effect::~Lv2Effect()
{
    record_->user = nullptr;
    // effClose destroys the effect with its editor.
    dispatch(effClose);
}

intptr_t Lv2Effect::dispatch(int32_t opcode, int32_t index, intptr_t value, void* data, float opt)
{
    return record_->dispatcher(record_, opcode, index, value, data, opt);
}

void Lv2Effect::connect(uint32_t port, void* data)
{
    if (port < static_cast<uint32_t>(kParfelleParameterCount))
        controls_[port] = static_cast<const float*>(data);
    else if (port == lv2port::kAudioInLeft || port == lv2port::kAudioInRight)
        inputs_[port - lv2port::kAudioInLeft] = static_cast<const float*>(data);
    else if (port == lv2port::kAudioOutLeft || port == lv2port::kAudioOutRight)
        outputs_[port - lv2port::kAudioOutLeft] = static_cast<float*>(data);
    else if (port == lv2port::kTimePosition)
        transport_ = static_cast<const LV2_Atom_Sequence*>(data);
}

void Lv2Effect::activate()
{
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
}

void Lv2Effect::deactivate()
{
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
}

void Lv2Effect::run(uint32_t frames)
{
    applyPortValues();
    readTransport();
    if (!inputs_[0] || !inputs_[1] || !outputs_[0] || !outputs_[1]) return;

    // processReplacing takes a signed count; no host hands 2^31 frames at
    // once, but the count must not wrap if one does. A run of 0 frames is
    // still a block for the effect (its time base and display words).
    constexpr uint32_t kMostFrames = 1u << 30;
    uint32_t done = 0;
    do {
        const uint32_t n = frames - done < kMostFrames ? frames - done : kMostFrames;
        float* in[2] = {const_cast<float*>(inputs_[0] + done), const_cast<float*>(inputs_[1] + done)};
        float* out[2] = {outputs_[0] + done, outputs_[1] + done};
        record_->processReplacing(record_, in, out, static_cast<int32_t>(n));
        done += n;
    } while (done < frames);
}

// A port's value reaches the effect when it differs from the value last
// taken from that port, so a one-shot held at 1 by a host acts once, and a
// knob the editor moved is not pulled back by a port that has not changed.
// A value the effect already holds is left as it is: a trip through the host
// mapping could move it by a rounding step (a default, say, which a VST host
// never sends and an LV2 host always does).
void Lv2Effect::applyPortValues()
{
    for (int p = 0; p < kParfelleParameterCount; ++p) {
        if (!controls_[p]) continue;
        const float units = *controls_[p];
        const uint32_t bits = bitsOf(units);
        if (applied_[p] && bits == appliedBits_[p]) continue;
        applied_[p] = true;
        appliedBits_[p] = bits;
        float normalised;
        if (units != effect_->getValue(p) && lv2port::normalisedFromPort(p, units, normalised))
            audioEffect_->setParameter(p, normalised);
    }
}

namespace {

// Calls visit(item, size) for each item of a container's body, from byte
// `first` on: an Item header followed by `size` bytes padded to 8, the size
// read by sizeOf. Stops at the first item that does not lie wholly inside
// the body, so a malformed container is read no further.
template <typename Item, typename SizeOf, typename Visit>
void forEachItem(const void* body, uint32_t bodySize, uint32_t first, SizeOf sizeOf, Visit visit)
{
    const auto* base = static_cast<const uint8_t*>(body);
    for (uint32_t at = first; at + sizeof(Item) <= bodySize;) {
        const auto* item = reinterpret_cast<const Item*>(base + at);
        const uint32_t size = sizeOf(*item);
        if (size > bodySize - at - sizeof(Item)) return;
        at += static_cast<uint32_t>(sizeof(Item)) + padded(size);
        visit(*item, size);
    }
}

}  // namespace

void Lv2Effect::readTransport()
{
    if (!mapped_ || !transport_ || transport_->atom.size < sizeof(LV2_Atom_Sequence_Body)) return;
    const auto eventSize = [](const LV2_Atom_Event& e) { return e.body.size; };
    forEachItem<LV2_Atom_Event>(&transport_->body, transport_->atom.size, sizeof(LV2_Atom_Sequence_Body), eventSize,
                                [this](const LV2_Atom_Event& event, uint32_t bodySize) {
        const uint32_t type = event.body.type;
        if ((type != urids_.atomObject && type != urids_.atomBlank) || bodySize < sizeof(LV2_Atom_Object_Body))
            return;
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event.body);
        if (object->body.otype == urids_.timePosition) readPosition(object->body, bodySize);
    });
}

void Lv2Effect::readPosition(const LV2_Atom_Object_Body& position, uint32_t size)
{
    double bpm = 0.0, speed = 0.0;
    bool hasBpm = false, hasSpeed = false;
    const auto valueSize = [](const LV2_Atom_Property_Body& p) { return p.value.size; };
    forEachItem<LV2_Atom_Property_Body>(&position, size, sizeof(LV2_Atom_Object_Body), valueSize,
                                        [&](const LV2_Atom_Property_Body& prop, uint32_t valueBytes) {
        double number;
        if (!readNumber(prop.value.type, &prop + 1, valueBytes, number)) return;
        if (prop.key == urids_.timeBeatsPerMinute) {
            bpm = number;
            hasBpm = true;
        } else if (prop.key == urids_.timeSpeed) {
            speed = number;
            hasSpeed = true;
        }
    });
    // The effect itself judges whether a tempo is usable (as it does a VST
    // host's); only what is not a number at all is turned away here.
    if (hasBpm && bpm == bpm) {
        timeInfo_.tempo = bpm;
        timeInfo_.flags |= kVstTempoValid;
        haveTempo_ = true;
    }
    if (hasSpeed && speed == speed) {
        if (speed != 0.0)
            timeInfo_.flags |= kVstTransportPlaying;
        else
            timeInfo_.flags &= ~kVstTransportPlaying;
    }
}

bool Lv2Effect::readNumber(uint32_t type, const void* body, uint32_t size, double& number) const
{
    if (type == urids_.atomFloat && size >= sizeof(float)) {
        float f;
        std::memcpy(&f, body, sizeof f);
        number = f;
    } else if (type == urids_.atomDouble && size >= sizeof(double)) {
        std::memcpy(&number, body, sizeof number);
    } else if (type == urids_.atomInt && size >= sizeof(int32_t)) {
        int32_t i;
        std::memcpy(&i, body, sizeof i);
        number = i;
    } else if (type == urids_.atomLong && size >= sizeof(int64_t)) {
        int64_t i;
        std::memcpy(&i, body, sizeof i);
        number = static_cast<double>(i);
    } else {
        return false;
    }
    return true;
}

intptr_t VST_CALLBACK Lv2Effect::hostCallback(AEffect* record, int32_t opcode, int32_t index, intptr_t /*value*/,
                                             void* /*data*/, float opt)
{
    Lv2Effect* self = record ? static_cast<Lv2Effect*>(record->user) : nullptr;
    switch (opcode) {
    case audioMasterVersion: return kHostVstVersion;
    case audioMasterGetTime:
        return self && self->haveTempo_ ? reinterpret_cast<intptr_t>(&self->timeInfo_) : 0;
    case audioMasterGetSampleRate: return self ? static_cast<intptr_t>(self->timeInfo_.sampleRate) : 0;
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit: {
        UiLink* link = self ? self->uiLink_.load(std::memory_order_acquire) : nullptr;
        if (!link || index < 0 || index >= kParfelleParameterCount) return 0;
        if (opcode == audioMasterAutomate)
            link->automate(index, valueFromNormalised(kParfelleParameters[index], opt));
        else
            link->touch(index, opcode == audioMasterBeginEdit);
        return 1;
    }
    default: return 0;
    }
}
