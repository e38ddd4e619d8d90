#include "editor/RenderTask.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "framework/HaldAuBase.h"
#include "gui/Effect.h"
#include "gui/GL.h"
#include "gui/Group.h"
#include "gui/UIElement.h"
#include "gui/UIFont.h"
#include "gui/UITexture.h"
#include "gui/UIWindow.h"
#include "platform/ChildWindow.h"
#include "platform/GLContext.h"
#include "platform/RenderThread.h"
#include "platform/SystemServices.h"

namespace HD {

namespace {

constexpr int kImageWidth = 1024;
constexpr int kImageHeight = 512;
constexpr int kFrameWaitMilliseconds = 33;
constexpr int kStopGraceMilliseconds = 5000;
// The status line: a band across the panel; a parameter's name ends a gap
// before the value's column, a button's description starts further left.
constexpr float kStatusBandY = 290.0f;
constexpr float kStatusBandLeft = 20.0f;
constexpr float kStatusBandRight = 750.0f;
constexpr float kStatusValueX = 550.0f;
constexpr float kStatusNameGap = 10.0f;
constexpr float kStatusDescriptionX = 500.0f;
// The floating tooltip keeps this far from the panel's sides.
constexpr float kTooltipMargin = 5.0f;
constexpr float kPanelWidth = 770.0f;
constexpr float kBackgroundColour[3] = {0.2f, 0.2f, 0.0f};

std::atomic<bool> floatingTooltips{false};

using Clock = std::chrono::steady_clock;

class RenderTask final : public RenderState
{
public:
    explicit RenderTask(UIWindow* window) : window(window), started(Clock::now()) {}
    // The thread ends before anything it reads goes.
    ~RenderTask() override { stop(); }

    void stop()
    {
        if (thread) thread->stop(kStopGraceMilliseconds);
        thread.reset();
        renderRunning = false;
        std::lock_guard<std::mutex> lock(captureMutex);
        drawing = false;
        captured.notify_all();
    }

    UIWindow* const window;
    std::unique_ptr<platform::RenderThread> thread;
    bool renderRunning = false;

    // The render thread's alone.
    std::unique_ptr<platform::GLContext> context;
    bool extensionsReady = false;
    bool resourcesCreated = false;
    GLuint backgroundTexture = 0;

    // Measurements.
    const Clock::time_point started;
    std::atomic<long> frames{0};
    std::atomic<long> windowlessPasses{0};
    std::atomic<long long> frameCpuNanoseconds{0};
    std::atomic<long long> firstFrameNanoseconds{-1};
    std::atomic<RenderStatistics::Background> background{RenderStatistics::Background::NotMade};

    // A test's request for the next frame's pixels.
    std::mutex captureMutex;
    std::condition_variable captured;
    bool drawing = true;          // false once the thread draws no more frames
    bool captureWanted = false;
    bool captureArmed = false;    // the request came before this frame began
    long captureSerial = 0;
    std::vector<unsigned char> capture;
    CapturedFrame captureInfo;
};

void clearGLErrors()
{
    // Bounded: without a context glGetError may never report "no error".
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

void setLight(GLenum light, const float diffuse[4], const float specular[4], const float position[4])
{
    glEnable(light);
    glLightfv(light, GL_DIFFUSE, diffuse);
    glLightfv(light, GL_SPECULAR, specular);
    glLightfv(light, GL_POSITION, position);
}

void setMaterial(const float specular[4])
{
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 40.0f);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
}

void setAmbient()
{
    const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
}

// The static parts of the panel, drawn upside down (the background quad's
// texture coordinates turn them back) with the context that draws the image
// current.
void drawBackgroundImage(UIWindow& window)
{
    glViewport(0, 0, window.viewWidth, window.viewHeight);
    if (window.smallFont) window.smallFont->preloadGlyphs();
    glClearColor(kBackgroundColour[0], kBackgroundColour[1], kBackgroundColour[2], 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScalef(1.0f, -1.0f, 1.0f);
    glTranslatef(-1.0f, -1.0f, 0.0f);
    glScalef(window.pixelScaleX, window.pixelScaleY, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (window.smallFont)
        for (UIElement* element : window.elements) element->drawBackground(window.smallFont);
    glFlush();
    // The label font draws nothing else; its glyphs go with this context.
    if (window.smallFont) window.smallFont->releaseGlyphs();
}

void setTextureParameters()
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

// Through the system's image context where there is one, else into a
// framebuffer object whose colour texture becomes the background.
void makeBackground(RenderTask& task)
{
    UIWindow& window = *task.window;
    auto draw = [](void* argument) { drawBackgroundImage(*static_cast<UIWindow*>(argument)); };
    if (const unsigned char* pixels = task.context->drawImage(kImageWidth, kImageHeight, draw, &window)) {
        glGenTextures(1, &task.backgroundTexture);
        glBindTexture(GL_TEXTURE_2D, task.backgroundTexture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kImageWidth, kImageHeight, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, pixels);
        clearGLErrors();
        setTextureParameters();
        clearGLErrors();
        task.background = RenderStatistics::Background::SystemImage;
        return;
    }
    if (!task.extensionsReady || !GLEW_ARB_framebuffer_object) return;
    glGenTextures(1, &task.backgroundTexture);
    glBindTexture(GL_TEXTURE_2D, task.backgroundTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kImageWidth, kImageHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    setTextureParameters();
    glBindTexture(GL_TEXTURE_2D, 0);
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, task.backgroundTexture, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
        drawBackgroundImage(window);
        task.background = RenderStatistics::Background::Framebuffer;
    } else {
        glDeleteTextures(1, &task.backgroundTexture);
        task.backgroundTexture = 0;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    clearGLErrors();
}

void initGraphics(RenderTask& task)
{
    UIWindow& window = *task.window;
    // A window without a system window (no host window) gets no context:
    // the thread then draws nothing.
    platform::ChildWindow* child = window.childWindow();
    if (!child) return;
    task.context = platform::GLContext::create(child->handle());
    if (!task.context->current()) return;

    const GLenum status = glewInit();
    if (status != GLEW_OK) {
        platform::showError(reinterpret_cast<const char*>(glewGetErrorString(status)), true);
    } else {
        task.extensionsReady = true;
        glDisable(GL_MULTISAMPLE);
        glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
        for (UITexture* texture : window.textures) loadTexture(*texture);
        if (window.font) window.font->preloadGlyphs();
        for (UIElement* element : window.elements) element->prepareGraphics();
        for (UIElement* element : window.elements) element->afterPrepareGraphics();
        for (Effect* effect : window.effects) effect->createResources();
        task.resourcesCreated = true;
    }
    clearGLErrors();
    makeBackground(task);
}

void setupSceneLighting()
{
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    setAmbient();
    const float diffuse[4] = {0.6f, 0.6f, 0.6f, 1.0f};
    const float specular[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    const float position[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    setLight(GL_LIGHT0, diffuse, specular, position);
    const float material[4] = {0.7f, 0.5f, 0.5f, 1.0f};
    setMaterial(material);
}

void drawStatusLine(UIWindow& window, const ParameterDescriptor& descriptor, float y0, char* tooltip)
{
    UIFont* font = window.font;
    const char* name = descriptor.name;
    drawString(font, name, kStatusValueX - textWidth(font, name) - kStatusNameGap, y0);
    char display[128] = {};
    window.audioEffect()->getParameterDisplay(descriptor.index, display);
    display[sizeof display - 1] = '\0';
    drawString(font, display, kStatusValueX, y0);
    char label[128] = {};
    window.audioEffect()->getParameterLabel(descriptor.index, label);
    label[sizeof label - 1] = '\0';
    if (label[0]) drawString(font, label, 590.0f, y0);
    if (tooltip) {
        std::string text = std::string(name) + " " + display;
        if (label[0]) text += std::string(" ") + label;
        // The tooltip holds 255 characters; longer texts are cut.
        const size_t length = std::min(text.size(), size_t{255});
        std::memcpy(tooltip, text.data(), length);
        tooltip[length] = '\0';
    }
}

void drawTooltip(UIWindow& window, const char* text)
{
    UIFont* font = window.font;
    UIElement* element = window.tooltipElement.load(std::memory_order_relaxed);
    if (element && text) {
        window.tooltipAlpha = tooltipFadeIn(window.tooltipAlpha);
        std::snprintf(window.tooltipText, sizeof window.tooltipText, "%s", text);
        const BoundingBox box = windowBounds(element);
        const float width = textWidth(font, window.tooltipText);
        window.tooltipBox[0] = tooltipLeft(box.centreX(), width);
        window.tooltipBox[1] = box.centreY();
        window.tooltipBox[2] = width;
        window.tooltipBox[3] = lineHeight(font);
    } else {
        window.tooltipAlpha = tooltipFadeOut(window.tooltipAlpha);
    }
    if (window.tooltipAlpha <= 0.0f) return;
    const float x = window.tooltipBox[0], y = window.tooltipBox[1];
    const float w = window.tooltipBox[2], h = window.tooltipBox[3];
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.7f, 0.7f, 0.7f, 0.5f * window.tooltipAlpha);
    glBegin(GL_QUADS);
    glVertex2f(x - 5.0f, y);
    glVertex2f(x + w + 5.0f, y);
    glVertex2f(x + w + 5.0f, y + h);
    glVertex2f(x - 5.0f, y + h);
    glEnd();
    glDisable(GL_BLEND);
    glColor4f(0.8f, 0.8f, 0.8f, 0.9f * window.tooltipAlpha);
    drawString(font, window.tooltipText, x, y - descender(font));
}

void drawOverlay(UIWindow& window)
{
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    // Lighting stays off here: these lights feed the knobs' vertex program.
    setAmbient();
    const float diffuse0[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    const float specular0[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    const float position0[4] = {0.6f, 0.6f, 0.5f, 0.0f};
    setLight(GL_LIGHT0, diffuse0, specular0, position0);
    if (UIElement* hovered = window.hoverElement.load(std::memory_order_relaxed)) {
        const BoundingBox box = windowBounds(hovered);
        window.lightPosition[0] = 0.9f * window.lightPosition[0] + 0.1f * box.centreX();
        window.lightPosition[1] = 0.9f * window.lightPosition[1] + 0.1f * box.centreY();
    }
    const float diffuse1[4] = {0.9f, 0.9f, 0.9f, 1.0f};
    const float specular1[4] = {0.5f, 0.5f, 0.7f, 1.0f};
    setLight(GL_LIGHT1, diffuse1, specular1, window.lightPosition);
    const float material[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    setMaterial(material);

    if (window.root) window.root->draw();
    glDepthMask(GL_FALSE);
    for (Effect* effect : window.effects) effect->draw();

    UIFont* font = window.font;
    if (!font) return;
    const float band = lineHeight(font);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.9f, 0.9f, 0.9f, 0.1f);
    glBegin(GL_QUADS);
    glVertex2f(kStatusBandLeft, kStatusBandY);
    glVertex2f(kStatusBandRight, kStatusBandY);
    glVertex2f(kStatusBandRight, kStatusBandY + band);
    glVertex2f(kStatusBandLeft, kStatusBandY + band);
    glEnd();
    glDisable(GL_BLEND);

    const float y0 = kStatusBandY - descender(font);
    glColor3f(0.5f, 0.5f, 0.5f);
    const bool floating = floatingTooltipEnabled();
    char composed[256] = {};
    const char* tooltip = nullptr;
    const int active = window.activeIndex.load(std::memory_order_relaxed);
    const int index = active >= 0 ? active : window.hoverIndex.load(std::memory_order_relaxed);
    HaldAuBase* effect = window.audioEffect();
    if (index >= 0 && index < window.parameterCount() && effect && index < effect->parameterCount()) {
        drawStatusLine(window, window.descriptors[static_cast<size_t>(index)], y0, floating ? composed : nullptr);
        if (floating) tooltip = composed;
    } else if (index < UIWindow::kNoHover) {
        if (const char* const* table = window.descriptionTable.load(std::memory_order_relaxed)) {
            tooltip = table[UIWindow::descriptionRow(index)];
            drawString(font, tooltip, kStatusDescriptionX, y0);
        }
    }
    if (floating) drawTooltip(window, tooltip);
}

void drawBackgroundQuad(RenderTask& task)
{
    UIWindow& window = *task.window;
    const float s = static_cast<float>(window.viewWidth) / kImageWidth;
    const float t = static_cast<float>(window.viewHeight) / kImageHeight;
    if (task.backgroundTexture) {
        glBindTexture(GL_TEXTURE_2D, task.backgroundTexture);
        glEnable(GL_TEXTURE_2D);
        glColor3f(1.0f, 1.0f, 1.0f);
    } else {
        // No image: at least the panel's colour.
        glColor3f(kBackgroundColour[0], kBackgroundColour[1], kBackgroundColour[2]);
    }
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, t);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(s, t);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(s, 0.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void serveCapture(RenderTask& task)
{
    std::lock_guard<std::mutex> lock(task.captureMutex);
    // A frame begun before the request may show state older than the
    // caller's last change: only a frame begun after it is served.
    if (!task.captureWanted || !task.captureArmed) return;
    UIWindow& window = *task.window;
    task.capture.assign(static_cast<size_t>(window.viewWidth) * static_cast<size_t>(window.viewHeight) * 4u, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, window.viewWidth, window.viewHeight, GL_RGBA, GL_UNSIGNED_BYTE, task.capture.data());
    task.captureInfo.number = task.frames.load();
    task.captureInfo.state = window.displayState;
    task.captureWanted = false;
    ++task.captureSerial;
    task.captured.notify_all();
}

// False when the context could not be made current (the host destroyed
// the window under us): nothing is drawn then.
bool renderFrame(RenderTask& task)
{
    UIWindow& window = *task.window;
    if (!task.context->makeCurrent()) return false;
    glViewport(0, 0, window.viewWidth, window.viewHeight);
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);  // the background quad covers every colour

    glDepthRange(0.1, 1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(window.fieldOfView, window.aspect, window.cameraDistance, 100.0 * window.cameraDistance);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(-window.cameraX, -window.cameraY, -window.cameraDistance);
    setupSceneLighting();
    for (Effect* effect : window.effects) effect->drawScene();

    glDepthRange(0.0, 0.1);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    drawBackgroundQuad(task);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glTranslatef(-1.0f, -1.0f, 0.0f);
    glScalef(window.pixelScaleX, window.pixelScaleY, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    drawOverlay(window);

    serveCapture(task);
    task.context->swapBuffers();
    return true;
}

void releaseGraphics(RenderTask& task)
{
    UIWindow& window = *task.window;
    if (task.context && task.context->makeCurrent()) {
        for (UITexture* texture : window.textures) releaseTexture(*texture);
        if (task.resourcesCreated)
            for (Effect* effect : window.effects) effect->releaseResources();
        if (task.backgroundTexture) glDeleteTextures(1, &task.backgroundTexture);
        // A later render thread has a new context: the glyphs must be made again.
        if (window.font) window.font->releaseGlyphs();
    }
    task.backgroundTexture = 0;
    if (task.context) task.context->doneCurrent();
    task.context.reset();
}

void renderLoop(platform::RenderThread& thread, void* argument)
{
    RenderTask& task = *static_cast<RenderTask*>(argument);
    UIWindow& window = *task.window;
    initGraphics(task);
    const bool drawing = task.context && task.context->current();
    if (!drawing) {
        std::lock_guard<std::mutex> lock(task.captureMutex);
        task.drawing = false;
        task.captured.notify_all();
    }
    do {
        {
            std::lock_guard<std::mutex> lock(task.captureMutex);
            task.captureArmed = task.captureWanted;
        }
        if (HaldAuBase* effect = window.audioEffect()) effect->getDisplayState(&window.displayState);
        for (Effect* effect : window.effects) effect->update();
        if (drawing) {
            const double cpuBefore = platform::threadCpuSeconds();
            if (renderFrame(task)) {
                const double cpu = platform::threadCpuSeconds() - cpuBefore;
                task.frameCpuNanoseconds.fetch_add(static_cast<long long>(cpu * 1e9));
                if (task.frames.fetch_add(1) == 0)
                    task.firstFrameNanoseconds.store(
                        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - task.started).count());
            } else {
                task.windowlessPasses.fetch_add(1);
            }
        }
    } while (!thread.waitForQuit(kFrameWaitMilliseconds));
    {
        std::lock_guard<std::mutex> lock(task.captureMutex);
        task.drawing = false;
        task.captured.notify_all();
    }
    releaseGraphics(task);
}

RenderTask* taskOf(const UIWindow* window)
{
    return window ? static_cast<RenderTask*>(window->renderState.get()) : nullptr;
}

}  // namespace

void CreateRenderTask(UIWindow* window)
{
    if (!window) return;
    if (RenderTask* existing = taskOf(window); existing && existing->renderRunning) {
        std::printf("double call to CreateRenderTask()\n");
        std::fflush(stdout);
        return;
    }
    std::unique_ptr<RenderTask> task(new RenderTask(window));
    int errorCode = 0;
    task->thread = platform::RenderThread::start(renderLoop, task.get(), errorCode);
    if (!task->thread) {
        std::printf("failed to create render thread: %d\n", errorCode);
        std::fflush(stdout);
        return;
    }
    task->renderRunning = true;
    window->renderState = std::move(task);
}

void DestroyRenderTask(UIWindow* window)
{
    RenderTask* task = taskOf(window);
    if (!task || !task->renderRunning) return;
    // The stopped task stays, with its graphics released, until the next
    // CreateRenderTask or the window's end: its figures remain readable.
    task->stop();
}

bool renderRunning(const UIWindow* window)
{
    const RenderTask* task = taskOf(window);
    return task && task->renderRunning;
}

bool floatingTooltipEnabled() { return floatingTooltips.load(std::memory_order_relaxed); }
void setFloatingTooltipEnabled(bool enabled) { floatingTooltips.store(enabled, std::memory_order_relaxed); }

float tooltipFadeIn(float alpha) { return 0.84f * alpha + 0.16f; }

float tooltipFadeOut(float alpha)
{
    alpha *= 0.89f;
    return alpha < 1.0f / 255.0f ? 0.0f : alpha;
}

float tooltipLeft(float centreX, float width)
{
    float x = centreX - width / 2.0f;
    if (x < kTooltipMargin) x = kTooltipMargin;
    if (x > kPanelWidth - kTooltipMargin - width) x = kPanelWidth - kTooltipMargin - width;
    return x;
}

RenderStatistics renderStatistics(const UIWindow* window)
{
    RenderStatistics statistics;
    if (const RenderTask* task = taskOf(window)) {
        statistics.frames = task->frames.load();
        statistics.windowlessPasses = task->windowlessPasses.load();
        statistics.frameCpuSeconds = static_cast<double>(task->frameCpuNanoseconds.load()) * 1e-9;
        const long long first = task->firstFrameNanoseconds.load();
        statistics.firstFrameSeconds = first < 0 ? -1.0 : static_cast<double>(first) * 1e-9;
        statistics.background = task->background.load();
    }
    return statistics;
}

bool captureNextFrame(UIWindow* window, std::vector<unsigned char>& pixels, int timeoutMilliseconds,
                      CapturedFrame* frame)
{
    RenderTask* task = taskOf(window);
    if (!task || !task->renderRunning) return false;
    std::unique_lock<std::mutex> lock(task->captureMutex);
    if (!task->drawing) return false;
    const long serial = task->captureSerial;
    task->captureWanted = true;
    const bool done = task->captured.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds),
                                              [&] { return task->captureSerial != serial || !task->drawing; });
    task->captureWanted = false;
    if (!done || task->captureSerial == serial) return false;
    pixels = task->capture;
    if (frame) *frame = task->captureInfo;
    return true;
}

}  // namespace HD
