#include "tools/Editor.h"

#include <png.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <ostream>
#include <thread>

#include "platform/HostWindow.h"
#include "tools/DemoSignal.h"
#include "tools/PluginHost.h"
#include "tools/Render.h"

namespace host {

namespace {

using Clock = std::chrono::steady_clock;

// Behind by more than this (a stalled machine, a debugger), the audio skips
// ahead rather than racing to catch up, as a sound card's clock would.
constexpr double kLongestCatchUpSeconds = 0.25;

// The demo, round and round, in blocks for the plug-in's inputs.
class LoopedDemo
{
public:
    LoopedDemo() : demo_(makeDemoSignal(kDemoSampleRate)) {}

    int sampleRate() const { return demo_.sampleRate; }

    void next(float* const* inputs, int inputCount, int frames)
    {
        block_.resize(static_cast<size_t>(frames) * static_cast<size_t>(demo_.channels));
        const int64_t length = demo_.frames();
        for (int done = 0; done < frames;) {
            const int count = static_cast<int>(std::min<int64_t>(frames - done, length - position_));
            std::copy(demo_.samples.begin() + position_ * demo_.channels,
                      demo_.samples.begin() + (position_ + count) * demo_.channels,
                      block_.begin() + static_cast<std::ptrdiff_t>(done) * demo_.channels);
            done += count;
            position_ = (position_ + count) % length;
        }
        if (inputCount > 0) routeInputChannels(block_.data(), demo_.channels, frames, inputs, inputCount);
    }

private:
    AudioData demo_;
    int64_t position_ = 0;
    std::vector<float> block_;
};

// Buffers for the plug-in's channels, never fewer than two (plug-ins made
// for stereo have been seen to touch both whatever they declare).
struct Channels
{
    Channels(int count, int frames)
        : storage(static_cast<size_t>(std::max(count, 2)), std::vector<float>(static_cast<size_t>(frames)))
    {
        for (auto& channel : storage) pointers.push_back(channel.data());
    }
    std::vector<std::vector<float>> storage;
    std::vector<float*> pointers;
};

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

bool oneColour(const platform::Screenshot& picture)
{
    for (size_t i = 3; i + 2 < picture.rgb.size(); i += 3)
        if (picture.rgb[i] != picture.rgb[0] || picture.rgb[i + 1] != picture.rgb[1] ||
            picture.rgb[i + 2] != picture.rgb[2])
            return false;
    return true;
}

}  // namespace

bool runEditor(const EditorOptions& options, std::ostream& report, EditorResult& result, std::string& error)
{
    PluginHost plugin;
    plugin.setLog(options.log);
    plugin.setTempo(options.tempo);
    if (!plugin.load(options.pluginPath, error)) return false;
    if (!(plugin.effect()->flags & effFlagsHasEditor)) {
        error = "the plug-in " + options.pluginPath + " has no editor";
        return false;
    }

    LoopedDemo demo;
    plugin.open();
    result.effectName = plugin.dispatchText(effGetEffectName);
    if (result.effectName.empty()) result.effectName = plugin.dispatchText(effGetProductString);
    if (result.effectName.empty()) result.effectName = options.pluginPath;
    plugin.setSampleRate(demo.sampleRate());
    plugin.setBlockSize(kEditorBlockSize);
    if (!applyParameterSettings(plugin, options.settings, report, error)) return false;

    ERect* rect = nullptr;
    plugin.dispatch(effEditGetRect, 0, 0, &rect);
    if (!rect || rect->right <= rect->left || rect->bottom <= rect->top) {
        error = "the plug-in gave no usable editor size";
        return false;
    }
    result.width = rect->right - rect->left;
    result.height = rect->bottom - rect->top;

    std::unique_ptr<platform::HostWindow> window =
        platform::HostWindow::create(result.effectName, result.width, result.height, error);
    if (!window) return false;
    report << "Editor: " << result.effectName << ", " << result.width << " x " << result.height << "\n";

    plugin.resume();
    plugin.dispatch(effEditOpen, 0, 0, window->handle());

    const int inputCount = plugin.inputCount();
    const int outputCount = plugin.outputCount();
    Channels inputs(inputCount, kEditorBlockSize);
    Channels outputs(outputCount, kEditorBlockSize);
    const bool screenshot = !options.screenshotPath.empty();
    const auto idlePeriod = std::chrono::microseconds(1000000 / kEditorIdleRate);
    const Clock::time_point start = Clock::now();
    Clock::time_point nextIdle = start;
    int64_t accountedFor = 0;  // frames of wall-clock time processed or skipped
    bool closedByUser = false;
    bool ok = true;

    for (;;) {
        if (!window->processEvents()) {
            closedByUser = true;
            break;
        }
        // Other programs' windows must not stand in the picture; the
        // editor's frames drawn meanwhile fill what they covered.
        if (screenshot) window->raise();
        plugin.dispatch(effEditIdle);
        ++result.idleCalls;

        // The audio the wall clock says is due, block by block.
        const double elapsed = secondsSince(start);
        const auto due = static_cast<int64_t>(elapsed * demo.sampleRate());
        const auto catchUp = static_cast<int64_t>(kLongestCatchUpSeconds * demo.sampleRate());
        if (due - accountedFor > catchUp) accountedFor = due - kEditorBlockSize;
        while (accountedFor + kEditorBlockSize <= due) {
            demo.next(inputs.pointers.data(), inputCount, kEditorBlockSize);
            plugin.process(inputs.pointers.data(), outputs.pointers.data(), kEditorBlockSize);
            accountedFor += kEditorBlockSize;
            result.framesProcessed += kEditorBlockSize;
        }

        if (screenshot && elapsed >= options.screenshotAfter) {
            window->processEvents();
            platform::Screenshot picture;
            ok = window->capture(picture, error);
            // Nothing drawn yet: a picture of an empty window helps nobody.
            const bool waitMore = ok && oneColour(picture) && elapsed < options.screenshotAfter + kDrawnWaitSeconds;
            if (!waitMore) {
                ok = ok && writePngFile(options.screenshotPath, picture, error);
                if (ok) {
                    char seconds[32];
                    std::snprintf(seconds, sizeof seconds, "%.2f", elapsed);
                    report << "Screenshot: " << options.screenshotPath << ", " << picture.width << " x "
                           << picture.height << " after " << seconds << " s"
                           << (oneColour(picture) ? " (the window still shows one colour)" : "") << "\n";
                }
                break;
            }
        }
        nextIdle += idlePeriod;
        const Clock::time_point now = Clock::now();
        if (nextIdle < now) nextIdle = now;  // a slow idle does not make the next ones come in a burst
        std::this_thread::sleep_until(nextIdle);
    }

    // The editor goes before its parent window, the plug-in before the module.
    plugin.dispatch(effEditClose);
    plugin.suspend();
    plugin.close();
    window.reset();
    if (ok && screenshot && closedByUser) {
        error = "the window was closed before the screenshot";
        return false;
    }
    return ok;
}

bool writePngFile(const std::string& path, const platform::Screenshot& picture, std::string& error)
{
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgb.size() != static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 3) {
        error = "no picture to save";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool written = false;
    if (png && info) {
        // libpng reports its failures by longjmp: nothing with a destructor
        // lives between here and the end of this block.
        if (setjmp(png_jmpbuf(png)) == 0) {
            png_init_io(png, file);
            png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height),
                         8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                         PNG_FILTER_TYPE_DEFAULT);
            png_write_info(png, info);
            for (int y = 0; y < picture.height; ++y)
                png_write_row(png, picture.rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(picture.width) * 3);
            png_write_end(png, info);
            written = true;
        }
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    if (std::fclose(file) != 0) written = false;
    if (!written) {
        error = "cannot write the PNG file " + path;
        std::remove(path.c_str());
    }
    return written;
}

}  // namespace host
