#include "editor/ZedaViruZovozeze.h"

#include <cmath>
#include <cstdio>

#include "gui/GL.h"
#include "platform/SystemServices.h"

namespace HD {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kNormalTilt = 0.7f;     // how far the rim normals lean outwards
constexpr float kPointerAlpha = 0.75f;  // the pointer tip stays this opaque

// The rim: a ten-sided disc of radius 0.75, with a spike of radius 1 at the
// top (the pointer) between two notches of radius 0.5.
float rimFactor(int k)
{
    if (k == 0 || k == ZedaViruZovozeze::kRimPoints - 1) return 1.0f;
    if (k == 1 || k == ZedaViruZovozeze::kRimPoints - 2) return 0.5f;
    return 0.75f;
}

void fillColour(float out[4], float r, float g, float b, float a)
{
    out[0] = r;
    out[1] = g;
    out[2] = b;
    out[3] = a;
}

}  // namespace

ZedaViruZovozeze::ZedaViruZovozeze(UIWindow* window) : Effect(window)
{
    for (int k = 0; k < kRimPoints; ++k) {
        const double theta = k * kPi / 5.0;
        const float s = static_cast<float>(std::sin(theta));
        const float c = static_cast<float>(std::cos(theta));
        const float e = rimFactor(k);
        rim_[k][0] = kNormalTilt * s;
        rim_[k][1] = kNormalTilt * c;
        rim_[k][2] = kNormalTilt;
        rim_[k][3] = e * s;
        rim_[k][4] = e * c;
    }
}

ZedaViruZovozeze::~ZedaViruZovozeze() = default;

int ZedaViruZovozeze::addKnob()
{
    knobs_.emplace_back();
    return knobCount() - 1;
}

void ZedaViruZovozeze::setColour(int index, const float rgba[4])
{
    KnobEntry& entry = knobs_[static_cast<size_t>(index)];
    for (int i = 0; i < 4; ++i) entry.colour[i] = rgba[i];
}

void ZedaViruZovozeze::setPlacement(int index, float centreX, float centreY, float radius)
{
    KnobEntry& entry = knobs_[static_cast<size_t>(index)];
    entry.centreX = centreX;
    entry.centreY = centreY;
    entry.radius = radius;
}

void ZedaViruZovozeze::setAngle(int index, float angle)
{
    knobs_[static_cast<size_t>(index)].angle.store(angle, std::memory_order_relaxed);
}

void ZedaViruZovozeze::turnRim(int index, float angle)
{
    const KnobEntry& entry = knobs_[static_cast<size_t>(index)];
    const float s = std::sin(angle);
    const float c = std::cos(angle);
    const float r = entry.radius;
    Vertex* rim = &vertices_[static_cast<size_t>(index) * kVerticesPerKnob + 1];
    for (int k = 0; k < kRimPoints; ++k) {
        const float nx = rim_[k][0], ny = rim_[k][1], nz = rim_[k][2];
        const float px = rim_[k][3], py = rim_[k][4];
        rim[k].normal[0] = c * nx + s * ny;
        rim[k].normal[1] = c * ny - s * nx;
        rim[k].normal[2] = nz;
        rim[k].position[0] = entry.centreX + r * (c * px + s * py);
        rim[k].position[1] = entry.centreY + r * (c * py - s * px);
        rim[k].position[2] = 0.0f;
    }
    turnedAngles_[static_cast<size_t>(index)] = angle;
}

void ZedaViruZovozeze::applyAngles()
{
    if (!vertices_) return;
    for (int i = 0; i < vertexKnobs_; ++i) {
        const float angle = knobs_[static_cast<size_t>(i)].angle.load(std::memory_order_relaxed);
        if (angle != turnedAngles_[static_cast<size_t>(i)]) turnRim(i, angle);
    }
}

unsigned ZedaViruZovozeze::compileVertexProgram(const char* text, size_t length)
{
    GLuint name = 0;
    glGenProgramsARB(1, &name);
    glBindProgramARB(GL_VERTEX_PROGRAM_ARB, name);
    glProgramStringARB(GL_VERTEX_PROGRAM_ARB, GL_PROGRAM_FORMAT_ASCII_ARB, static_cast<GLsizei>(length), text);
    GLint position = -1;
    glGetIntegerv(GL_PROGRAM_ERROR_POSITION_ARB, &position);
    if (position >= 0) {
        const GLubyte* why = glGetString(GL_PROGRAM_ERROR_STRING_ARB);
        std::fprintf(stderr, "error at position: %d\n%s\n", static_cast<int>(position),
                     why ? reinterpret_cast<const char*>(why) : "");
    }
    glBindProgramARB(GL_VERTEX_PROGRAM_ARB, 0);
    // A refused program stays refused; some drivers draw nothing at all with
    // one enabled, so the knobs go unlit instead.
    if (position >= 0) {
        glDeleteProgramsARB(1, &name);
        name = 0;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    return name;
}

void ZedaViruZovozeze::createResources()
{
    const unsigned char* bytes = nullptr;
    size_t size = 0;
    if (GLEW_ARB_vertex_program && program_ == 0 &&
        !platform::findResource(kProgramResourceType, kProgramResourceId, bytes, size))
        platform::showError(platform::lastErrorText());
    createResourcesFrom(reinterpret_cast<const char*>(bytes), size);
}

void ZedaViruZovozeze::createResourcesFrom(const char* programText, size_t length)
{
    if (GLEW_ARB_vertex_program && program_ == 0 && programText) {
        programText_.assign(programText, length);
        program_ = compileVertexProgram(programText_.data(), programText_.size());
    }
    createVertexArray();
}

void ZedaViruZovozeze::createVertexArray()
{
    vertexKnobs_ = knobCount();
    vertices_.reset(new Vertex[static_cast<size_t>(vertexKnobs_) * kVerticesPerKnob]());
    turnedAngles_.assign(static_cast<size_t>(vertexKnobs_), 0.0f);
    for (int i = 0; i < vertexKnobs_; ++i) {
        const KnobEntry& entry = knobs_[static_cast<size_t>(i)];
        const float r = entry.colour[0], g = entry.colour[1], b = entry.colour[2], a = entry.colour[3];
        Vertex* fan = &vertices_[static_cast<size_t>(i) * kVerticesPerKnob];
        fillColour(fan[0].colour, r, g, b, a);
        fan[0].normal[2] = 1.0f;
        fan[0].position[0] = entry.centreX;
        fan[0].position[1] = entry.centreY;
        // Opaque at the centre, fading to nothing at the rim, except along the pointer.
        for (int k = 0; k < kRimPoints; ++k) {
            if (k == 0 || k == kRimPoints - 1)
                fillColour(fan[1 + k].colour, r, g, b, kPointerAlpha * a);
            else
                fillColour(fan[1 + k].colour, 0.5f * r, 0.5f * g, b, 0.0f);
        }
        // Angles set before the array existed show from the start.
        turnRim(i, entry.angle.load(std::memory_order_relaxed));
    }
}

void ZedaViruZovozeze::draw()
{
    applyAngles();
    if (!vertices_ || vertexKnobs_ == 0) return;

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (program_) {
        glBindProgramARB(GL_VERTEX_PROGRAM_ARB, program_);
        glEnable(GL_VERTEX_PROGRAM_ARB);
    }
    glInterleavedArrays(GL_C4F_N3F_V3F, 0, vertices_.get());
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    for (int i = 0; i < vertexKnobs_; ++i) glDrawArrays(GL_TRIANGLE_FAN, i * kVerticesPerKnob, kVerticesPerKnob);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (program_) glDisable(GL_VERTEX_PROGRAM_ARB);
    glDisable(GL_BLEND);
}

void ZedaViruZovozeze::releaseResources()
{
    if (program_) {
        glDeleteProgramsARB(1, &program_);
        program_ = 0;
    }
}

}  // namespace HD
