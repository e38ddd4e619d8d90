// Draws every knob of a window: one interleaved vertex array of 12-vertex
// triangle fans (a centre and 11 rim points), lit per vertex by an ARB vertex
// program from the library's resources when the driver has them, in plain
// vertex colours otherwise.
//
// Threads: addKnob and setColour on the window thread while the panel is
// built; setAngle on the window thread at any time; everything else on the
// render thread. The vertex array belongs to the render thread alone:
// setAngle only publishes the angle, and the render thread turns the rim
// before it draws, so no frame shows a knob half-way between two angles and
// neither thread ever waits for the other.
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "gui/Effect.h"
#include "resources/ResourceIds.h"

namespace HD {

class ZedaViruZovozeze : public Effect
{
public:
    static constexpr int kRimPoints = 11;
    static constexpr int kVerticesPerKnob = kRimPoints + 1;
    // Where the lighting program is among the library's resources.
    static constexpr int kProgramResourceType = PARFELLE_TYPE_VERTEX_PROGRAM;
    static constexpr int kProgramResourceId = PARFELLE_ID_KNOB_PROGRAM;

    // The layout GL_C4F_N3F_V3F reads.
    struct Vertex
    {
        float colour[4];
        float normal[3];
        float position[3];
    };

    struct KnobEntry
    {
        float colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        float centreX = 0.0f, centreY = 0.0f;  // window pixels
        float radius = 0.0f;
        std::atomic<float> angle{0.0f};  // radians clockwise from straight up
    };

    explicit ZedaViruZovozeze(UIWindow* window);
    ~ZedaViruZovozeze() override;

    // Window thread, before the render thread starts. Returns the new knob's index.
    int addKnob();
    void setColour(int index, const float rgba[4]);
    // Render thread, before createResources (the knobs' prepareGraphics).
    void setPlacement(int index, float centreX, float centreY, float radius);
    // Any time; the knob shows it from the next frame on, also when the
    // vertex array does not exist yet.
    void setAngle(int index, float angle);

    // Render thread. The program from the library's resources (when the
    // driver has vertex programs), then the vertex array.
    void createResources() override;
    // The same with a given program text; null (or a driver without vertex
    // programs) draws the knobs unlit.
    void createResourcesFrom(const char* programText, size_t length);
    void draw() override;
    void releaseResources() override;
    // Turns the rims of knobs whose angle changed since they were last
    // turned; draw does this first.
    void applyAngles();
    // The fans of every knob at its current angle; no OpenGL involved.
    void createVertexArray();

    int knobCount() const { return static_cast<int>(knobs_.size()); }
    const KnobEntry& knob(int index) const { return knobs_[static_cast<size_t>(index)]; }
    // Null before createResources; kVerticesPerKnob per knob.
    const Vertex* vertices() const { return vertices_.get(); }
    unsigned program() const { return program_; }
    // Row k: normal x, y, z, then the rim point on a unit disc, pointer up.
    const float (&rimTable() const)[kRimPoints][5] { return rim_; }

    // Render thread, with a context that has vertex programs. Returns the
    // program, or 0 when the driver refuses the text; the reason goes to
    // standard error.
    static unsigned compileVertexProgram(const char* text, size_t length);

private:
    void turnRim(int index, float angle);

    std::deque<KnobEntry> knobs_;  // entries never move: they hold atomics
    float rim_[kRimPoints][5];
    std::unique_ptr<Vertex[]> vertices_;
    int vertexKnobs_ = 0;               // knobs the vertex array was made for
    std::vector<float> turnedAngles_;   // what each rim shows now
    std::string programText_;
    unsigned program_ = 0;
};

static_assert(sizeof(ZedaViruZovozeze::Vertex) == 40, "interleaved colour, normal, position");

}  // namespace HD
