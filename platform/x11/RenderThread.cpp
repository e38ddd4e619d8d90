#include "platform/RenderThread.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>

#include <time.h>

namespace platform {

namespace {

class StdRenderThread final : public RenderThread
{
public:
    StdRenderThread(Body body, void* argument) : body_(body), argument_(argument) {}

    ~StdRenderThread() override { stop(5000); }

    void launch() { thread_ = std::thread([this] { run(); }); }

    bool waitForQuit(int milliseconds) override
    {
        // A deadline rather than a duration: spurious wake-ups do not
        // lengthen the wait.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        std::unique_lock<std::mutex> lock(mutex_);
        return signalled_.wait_until(lock, deadline, [this] { return quit_; });
    }

    void stop(int graceMilliseconds) override
    {
        if (!thread_.joinable()) return;
        std::unique_lock<std::mutex> lock(mutex_);
        quit_ = true;
        signalled_.notify_all();
        if (!ended_.wait_for(lock, std::chrono::milliseconds(graceMilliseconds), [this] { return finished_; })) {
            std::fprintf(stderr, "render thread still busy after %d ms; waiting for it\n", graceMilliseconds);
            std::fflush(stderr);
            ended_.wait(lock, [this] { return finished_; });
        }
        lock.unlock();
        thread_.join();
    }

private:
    void run()
    {
        body_(*this, argument_);
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
        ended_.notify_all();
    }

    Body body_;
    void* argument_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable signalled_, ended_;
    bool quit_ = false;
    bool finished_ = false;
};

}  // namespace

std::unique_ptr<RenderThread> RenderThread::start(Body body, void* argument, int& errorCode)
{
    std::unique_ptr<StdRenderThread> thread(new StdRenderThread(body, argument));
    try {
        thread->launch();
    } catch (const std::system_error& error) {
        errorCode = error.code().value();
        return nullptr;
    }
    errorCode = 0;
    return thread;
}

double threadCpuSeconds()
{
    timespec now{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0) return 0.0;
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace platform
