// The LV2 instance against the effect driven as a VST host drives it: the
// same stored values, the same sound, the host's transport, bad port values
// and the editor's gestures.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/time/time.h>

#include "lv2/Lv2Effect.h"
#include "plugin/PluginEntry.h"
#include "tests/effect/AllocationCounter.h"
#include "tests/effect/EffectRig.h"

// The instance's effect, without the editor (as the effect's own tests make it).
AudioEffect* createEffectInstance(audioMasterCallback audioMaster) { return new HaldParfelle(audioMaster); }

namespace {

constexpr double kRate = 44100.0;

// A host: URIDs, one value per control port, a time-position buffer.
class Lv2Rig
{
public:
    explicit Lv2Rig(bool withMap = true)
    {
        for (int p = 0; p < kParfelleParameterCount; ++p) controls[p] = kParfelleParameters[p].defaultValue;
        map_.map = [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<Lv2Rig*>(h)->urid(uri); };
        lv2_atom_forge_init(&forge_, &map_);
        const LV2_Feature mapFeature{LV2_URID__map, &map_};
        const LV2_Feature* features[] = {withMap ? &mapFeature : nullptr, nullptr};
        instance.reset(Lv2Effect::create(kRate, features));
        for (uint32_t p = 0; p < kParfelleParameterCount; ++p) instance->connect(p, &controls[p]);
        position({});
        instance->connect(lv2port::kTimePosition, transport_);
        instance->activate();
    }
    ~Lv2Rig() { instance->deactivate(); }

    LV2_URID urid(const char* uri)
    {
        for (size_t i = 0; i < uris_.size(); ++i)
            if (uris_[i] == uri) return static_cast<LV2_URID>(i + 1);
        uris_.emplace_back(uri);
        return static_cast<LV2_URID>(uris_.size());
    }

    // The next run's transport: one time:Position with these properties, its
    // last `cut` bytes missing; no event when empty.
    struct Property
    {
        const char* key;
        char type;  // 'f' float, 'd' double, 's' text
        double value;
    };
    void position(const std::vector<Property>& properties, uint32_t cut = 0)
    {
        lv2_atom_forge_set_buffer(&forge_, transport_, sizeof transport_);
        LV2_Atom_Forge_Frame sequence, object;
        lv2_atom_forge_sequence_head(&forge_, &sequence, 0);
        if (!properties.empty()) {
            lv2_atom_forge_frame_time(&forge_, 0);
            lv2_atom_forge_object(&forge_, &object, 0, urid(LV2_TIME__Position));
            for (const Property& p : properties) {
                lv2_atom_forge_key(&forge_, urid(p.key));
                if (p.type == 'f') lv2_atom_forge_float(&forge_, static_cast<float>(p.value));
                if (p.type == 'd') lv2_atom_forge_double(&forge_, p.value);
                if (p.type == 's') lv2_atom_forge_string(&forge_, "120", 3);
            }
            lv2_atom_forge_pop(&forge_, &object);
        }
        lv2_atom_forge_pop(&forge_, &sequence);
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(transport_);
        if (!properties.empty()) lv2_atom_sequence_begin(&seq->body)->body.size -= cut;
    }

    // Runs stereo input through in blocks of `frames`; returns left then right.
    // Counts what the instance allocates meanwhile into `allocations`.
    std::vector<float> run(const std::vector<float>& left, const std::vector<float>& right, uint32_t frames)
    {
        std::vector<float> out(left.size() * 2);
        allocation_counter::start();
        for (size_t done = 0; done < left.size(); done += frames) {
            const uint32_t n = static_cast<uint32_t>(std::min<size_t>(frames, left.size() - done));
            instance->connect(lv2port::kAudioInLeft, const_cast<float*>(left.data() + done));
            instance->connect(lv2port::kAudioInRight, const_cast<float*>(right.data() + done));
            instance->connect(lv2port::kAudioOutLeft, out.data() + done);
            instance->connect(lv2port::kAudioOutRight, out.data() + left.size() + done);
            instance->run(n);
            // A position arrives once, as hosts send it on changes.
            reinterpret_cast<LV2_Atom_Sequence*>(transport_)->atom.size = sizeof(LV2_Atom_Sequence_Body);
        }
        allocations += allocation_counter::stop();
        return out;
    }

    long allocations = 0;

    float controls[kParfelleParameterCount];
    std::unique_ptr<Lv2Effect> instance;

private:
    LV2_URID_Map map_{this, nullptr};
    LV2_Atom_Forge forge_;
    std::vector<std::string> uris_;
    alignas(8) uint8_t transport_[512];
};

// The VST path: the values that differ from the defaults given as a host
// gives them, normalised.
std::vector<float> vstRender(const float (&units)[kParfelleParameterCount], const std::vector<float>& left,
                             const std::vector<float>& right, double tempo)
{
    EffectRig rig;
    rig.setSampleRate(static_cast<float>(kRate));
    for (int p = 0; p < kParfelleParameterCount; ++p)
        if (units[p] != kParfelleParameters[p].defaultValue)
            rig.effect.setParameter(p, normalisedFromValue(kParfelleParameters[p], units[p]));
    rig.host.giveTime = tempo > 0.0;
    rig.host.time.tempo = tempo;
    rig.host.time.flags = kVstTempoValid | kVstTransportPlaying;
    std::vector<float> outR;
    std::vector<float> out = rig.run(left, {512}, &right, &outR);
    out.insert(out.end(), outR.begin(), outR.end());
    return out;
}

struct Scene
{
    const char* what;
    std::vector<std::pair<int, float>> settings;
    double tempo;           // 0: no position sent
    std::vector<uint32_t> lv2Blocks;
};

TEST(Lv2Effect, SoundsAsTheVstPathForTheSameSettings)
{
    const std::vector<float> left = noise(30000, 0.8f, 5), right = noise(30000, 0.6f, 6);
    const std::vector<Scene> scenes = {
        {"defaults", {{kDelayTime, 0.1f}}, 0, {1, 512}},
        {"filtered, saturated, host tempo on but no transport",
         {{kDelayTime, 0.137f}, {kFeedback, 83}, {kDryLevel, 0.4f}, {kFilterType, 2.5f}, {kFilterCutoff, 1700},
          {kFilterQ, 0.33f}, {kSaturationAmount, 4.5f}, {kSaturationShape, 0.3f}, {kHostTempo, 1}, {kBeats, 3}},
         0, {1, 7, 512}},
        {"synced delay and LFO at 123 BPM",
         {{kHostTempo, 1}, {kBeats, 1}, {kBeatDivisor, 4}, {kTriplet, 1}, {kFilterType, 1}, {kLfoAmount, 1.5f},
          {kLfoHostTempo, 1}, {kLfoBeats, 2}, {kLfoBeatDivisor, 5}},
         123, {512}},
    };
    for (const Scene& scene : scenes) {
        float units[kParfelleParameterCount];
        for (int p = 0; p < kParfelleParameterCount; ++p) units[p] = kParfelleParameters[p].defaultValue;
        for (const auto& [p, v] : scene.settings) units[p] = v;
        const std::vector<float> expected = vstRender(units, left, right, scene.tempo);
        for (uint32_t frames : scene.lv2Blocks) {
            Lv2Rig lv2;
            std::memcpy(lv2.controls, units, sizeof units);
            if (scene.tempo > 0)
                lv2.position({{LV2_TIME__beatsPerMinute, 'f', scene.tempo}, {LV2_TIME__speed, 'f', 1}});
            const std::vector<float> got = lv2.run(left, right, frames);
            size_t differing = 0;
            for (size_t i = 0; i < got.size(); ++i) differing += std::memcmp(&got[i], &expected[i], 4) != 0;
            EXPECT_EQ(differing, 0u) << scene.what << ", " << frames << " frames per run";
            double energy = 0;
            for (float v : got) energy += std::fabs(v);
            EXPECT_GT(energy, 100.0) << scene.what;
        }
    }
}

TEST(Lv2Effect, TransportPositionsAndTheirFallbacks)
{
    const std::vector<float> silence(64, 0.0f);
    {
        Lv2Rig lv2;
        lv2.run(silence, silence, 64);
        EXPECT_EQ(lv2.instance->tempo(), 0.0) << "no position yet: no tempo, as a VST host without a timeline";
        lv2.position({{LV2_TIME__beatsPerMinute, 'd', 97.5}, {LV2_TIME__speed, 'd', 0}});
        lv2.run(silence, silence, 64);
        EXPECT_EQ(lv2.instance->tempo(), 97.5) << "a stopped transport still gives its tempo";
        lv2.position({{LV2_TIME__speed, 'f', 1}});
        lv2.run(silence, silence, 64);
        EXPECT_EQ(lv2.instance->tempo(), 97.5) << "a position without a tempo keeps the last";
        // Malformed: an object cut short inside its last property, a tempo as
        // text, NaN.
        for (const auto& [bad, cut] : std::vector<std::pair<std::vector<Lv2Rig::Property>, uint32_t>>{
                 {{{LV2_TIME__speed, 'f', 1}, {LV2_TIME__beatsPerMinute, 'f', 60}}, 6},
                 {{{LV2_TIME__beatsPerMinute, 's', 0}}, 0},
                 {{{LV2_TIME__beatsPerMinute, 'f', NAN}}, 0}}) {
            lv2.position(bad, cut);
            lv2.run(silence, silence, 64);
        }
        EXPECT_EQ(lv2.instance->tempo(), 97.5) << "malformed positions change nothing";
    }
    {
        // Without urid:map (as lv2apply instantiates): no position is ever read.
        Lv2Rig lv2(false);
        lv2.position({{LV2_TIME__beatsPerMinute, 'f', 140}});
        lv2.run(silence, silence, 64);
        EXPECT_EQ(lv2.instance->tempo(), 0.0);
    }
}

TEST(Lv2Effect, PortValuesAreStoredAsTheVstPathStoresThem)
{
    Lv2Rig lv2;
    HaldParfelle& effect = *lv2.instance->effect();
    const std::vector<float> input = noise(4096, 0.5f, 9);

    lv2.controls[kFeedback] = NAN;
    lv2.controls[kFilterCutoff] = -5.0f;
    lv2.controls[kSaturationAmount] = INFINITY;
    lv2.controls[kDelayTime] = 1e30f;
    const std::vector<float> out = lv2.run(input, input, 512);
    EXPECT_EQ(effect.getValue(kFeedback), 70.0f) << "NaN is never stored";
    EXPECT_TRUE(std::isinf(effect.getValue(kSaturationAmount)));
    bool finite = true;
    for (float v : out) finite = finite && std::isfinite(v);
    EXPECT_TRUE(finite) << "out-of-range values are limited inside processing";

    // A one-shot held at 1 acts once; the editor's own change is not pulled
    // back by a port that stayed where it was.
    lv2.controls[kResync] = 1.0f;
    lv2.run(input, input, 512);
    EXPECT_EQ(effect.getValue(kResync), 0.0f);
    const int32_t after = effect.kernel(0).position();
    lv2.run(input, input, 512);
    EXPECT_EQ(effect.kernel(0).position(), after + 4096) << "held at 1, the sweep is not restarted again";
    effect.setParameter(kFeedback, 0.25f);
    lv2.run(input, input, 512);
    EXPECT_EQ(effect.getValue(kFeedback), 25.0f);
    lv2.controls[kFeedback] = 40.0f;
    lv2.run(input, input, 512);
    EXPECT_EQ(effect.getValue(kFeedback), valueFromNormalised(kParfelleParameters[kFeedback], 0.4f));
    lv2.position({{LV2_TIME__beatsPerMinute, 'f', 90}});
    lv2.controls[kHostTempo] = 1.0f;
    lv2.run(input, input, 1);
    EXPECT_EQ(lv2.allocations, 0) << "run allocates nothing";
}

TEST(Lv2Effect, EditorGesturesReachTheLinkInUnits)
{
    struct Link : Lv2Effect::UiLink
    {
        std::vector<std::string> calls;
        void automate(int p, float units) override { calls.push_back("set " + std::to_string(p) + " " + std::to_string(units)); }
        void touch(int p, bool grabbed) override { calls.push_back((grabbed ? "grab " : "release ") + std::to_string(p)); }
    } link;
    Lv2Rig lv2;
    HaldParfelle& effect = *lv2.instance->effect();
    effect.setParameterAutomated(kFilterCutoff, 1.0f);  // no link yet: nothing to tell
    lv2.instance->setUiLink(&link);
    effect.beginEdit(kFilterCutoff);
    effect.setParameterAutomated(kFilterCutoff, 0.0f);
    effect.setParameterAutomated(kFeedback, 0.5f);
    effect.endEdit(kFilterCutoff);
    lv2.instance->setUiLink(nullptr);
    effect.setParameterAutomated(kFeedback, 0.25f);
    const std::vector<std::string> expected = {"grab 9", "set 9 50.000000", "set 1 50.000000", "release 9"};
    EXPECT_EQ(link.calls, expected);
}

}  // namespace
