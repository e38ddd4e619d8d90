// Lettering that never moves (group titles, button labels, the version
// caption): one interleaved vertex array, one draw call per run per frame.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/Effect.h"

namespace HD {

class StaticText : public Effect
{
public:
    explicit StaticText(UIWindow* window);
    ~StaticText() override;

    // Any time before or during the render thread's set-up. The colour is not
    // copied: the run follows it as its owner changes it. Returns the run's index.
    int addText(const char* text, float x, float y, const float* colour);

    // Rebuilds the vertex array (five floats per vertex: s, t, x, y, z).
    void createResources() override;
    void draw() override;

    struct Run
    {
        std::string text;
        const float* colour;
        float x, y;
        int first;
        int count;  // 4 per character
    };
    const std::vector<Run>& runs() const { return runs_; }
    const float* vertices() const { return vertices_.get(); }
    bool dirty() const { return dirty_; }

private:
    std::vector<Run> runs_;
    std::unique_ptr<float[]> vertices_;
    bool dirty_ = true;
};

}  // namespace HD
