// A thread that draws frames until asked to stop: the editor's render thread
// and its quit signal. Windows: a system thread and an auto-reset event;
// Linux: std::thread and a condition variable.
//
// Threads: start and stop on the host's user-interface thread; the body and
// waitForQuit on the new thread.
#pragma once

#include <memory>

namespace platform {

class RenderThread
{
public:
    using Body = void (*)(RenderThread& thread, void* argument);

    // Starts body(thread, argument) at once. Null when the system refuses
    // the thread; errorCode then holds the system's code for why.
    static std::unique_ptr<RenderThread> start(Body body, void* argument, int& errorCode);
    // Stops the thread first if stop has not been called.
    virtual ~RenderThread() = default;

    // The new thread: waits for the quit signal at most milliseconds.
    // True when asked to quit (also when the signal came before the call).
    virtual bool waitForQuit(int milliseconds) = 0;

    // Signals quit and waits for the body to return. A body still running
    // after graceMilliseconds gets a note on standard error and is waited
    // for all the same: killing a thread inside a host can leave the GL
    // driver's or the C runtime's locks held and take the host down later,
    // and the window's elements must outlive every frame. Harmless when
    // repeated.
    virtual void stop(int graceMilliseconds) = 0;

protected:
    RenderThread() = default;
    RenderThread(const RenderThread&) = delete;
    RenderThread& operator=(const RenderThread&) = delete;
};

// The processor time the calling thread has used so far, in seconds.
double threadCpuSeconds();

}  // namespace platform
