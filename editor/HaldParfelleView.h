// The effect's editor: builds the panel into a toolkit window inside the
// host's window, starts the render thread, and carries parameter changes
// from the effect to the knobs.
//
// Threads: open, close, idle, getRect and the buttons run on the host's
// user-interface thread; parameterChanged on whatever thread set the
// parameter (the host's audio thread included).
#pragma once

#include <atomic>

#include "framework/HaldEditor.h"
#include "gui/UIWindow.h"

class HaldParfelle;

namespace HD {
class WaveformDisplay;
}

class HaldParfelleView : public HaldEditor, private HD::WindowOwner
{
public:
    static constexpr int kDefaultWidth = 770;
    static constexpr int kDefaultHeight = 315;

    explicit HaldParfelleView(HaldParfelle* effect);
    // The effect's editor factory (HaldParfelle::EditorFactory).
    static HaldEditor* create(HaldParfelle* effect) { return new HaldParfelleView(effect); }
    ~HaldParfelleView() override;

    bool getRect(ERect** rect) override;
    // Builds the window and panel; true when the editor's system window
    // exists (false without a parent window, or when the system refused).
    bool open(void* parentWindow) override;
    void close() override;
    void idle() override;

    void parameterChanged(int index, float value) override;
    virtual int buildPanel(float x, float y);

    HaldParfelle* parfelle() const;
    // The open window, or null (user-interface thread).
    HD::UIWindow* window() const { return window_.load(std::memory_order_acquire); }

    // The buttons' status-line texts, by row; a button's id is its row's
    // hover index (UIWindow::descriptionHover).
    enum { kPrefsDescription = 0, kZeroDescription = 1 };
    static const char* const kDescriptions[2];

private:
    void* parentWindow() override { return systemWindow; }
    HaldAuBase* effectObject() override;
    void destroyWindow();

    ERect rect_;
    std::atomic<HD::UIWindow*> window_{nullptr};
    // Threads inside parameterChanged; the window is freed only when none is.
    std::atomic<int> notifying_{0};
    HD::WaveformDisplay* waveformDisplay_ = nullptr;
};

// Process-wide display preferences read at each panel build.
bool eyeCandyEnabled();
bool constantRedrawEnabled();
