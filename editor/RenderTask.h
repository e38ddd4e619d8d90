// The editor's render thread: it makes the OpenGL contexts of a window,
// lets every element and effect make its graphics resources, draws the
// static parts once into a background image and then draws a frame about
// every 33 ms (the drawing time plus a 33 ms wait) until it is stopped.
//
// Threads: CreateRenderTask and DestroyRenderTask on the host's
// user-interface thread; every OpenGL call on the render thread.
#pragma once

#include <vector>

#include "framework/DisplayState.h"

namespace HD {

class UIWindow;

// Starts the window's render thread, once its elements, effects, textures
// and fonts are complete. A second call while it runs prints "double call
// to CreateRenderTask()" and changes nothing.
void CreateRenderTask(UIWindow* window);
// Stops the thread and waits for it, however long that takes (a note goes
// to standard error after 5000 ms); when it returns no frame is being or
// will be drawn. Nothing happens when no thread runs. The window calls it
// first when it is torn down.
void DestroyRenderTask(UIWindow* window);
bool renderRunning(const UIWindow* window);

// The floating tooltip preference, for every editor of the process.
bool floatingTooltipEnabled();
void setFloatingTooltipEnabled(bool enabled);

// The tooltip's fade: towards 1 by 16 % of the way per frame while there is
// something to show, and otherwise down by 11 % per frame, to 0 once below
// 1/255 (it would no longer change a pixel).
float tooltipFadeIn(float alpha);
float tooltipFadeOut(float alpha);
// The tooltip's left edge for a box centred at centreX: never left of 5,
// never ending right of 765.
float tooltipLeft(float centreX, float width);

// Measurements of a window's latest render thread (tests and benchmarks),
// also after it stopped.
struct RenderStatistics
{
    long frames = 0;                  // frames swapped
    long windowlessPasses = 0;        // passes that drew nothing: the window was gone
    double frameCpuSeconds = 0.0;     // the render thread's processor time in those frames
    double firstFrameSeconds = -1.0;  // from CreateRenderTask to the first swap; -1 before it
    // Where the static background came from.
    enum class Background { NotMade, SystemImage, Framebuffer };
    Background background = Background::NotMade;
};
RenderStatistics renderStatistics(const UIWindow* window);

// Tests: the next frame the render thread begins after the call, so one
// that shows every change made before it, read back just before its swap: viewWidth x viewHeight RGBA pixels, bottom row
// first. False when no thread runs, it draws no frames (no context) or none
// came within timeoutMilliseconds. With frame, also which frame it was
// (frames drawn before it by this thread) and the display state it showed.
struct CapturedFrame
{
    long number = -1;
    DisplayState state{};
};
bool captureNextFrame(UIWindow* window, std::vector<unsigned char>& pixels, int timeoutMilliseconds,
                      CapturedFrame* frame = nullptr);

}  // namespace HD
