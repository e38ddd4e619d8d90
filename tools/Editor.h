// Opening a plug-in's editor in a window of the host's own, with the
// built-in demo playing through the plug-in at real-time pace (no sound
// device: the wall clock sets the pace), so its displays move.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "tools/ParameterSetter.h"

namespace platform {
struct Screenshot;
}

namespace host {

struct EditorOptions
{
    std::string pluginPath;
    std::vector<ParameterSetting> settings;
    double tempo = 0.0;  // zero: no timeline
    // Empty: run until the user closes the window. Otherwise a PNG of the
    // window is saved there after screenshotAfter seconds, and the host ends;
    // a window still all one colour then (an editor that has not drawn yet,
    // on a slow machine) is given up to kDrawnWaitSeconds more.
    std::string screenshotPath;
    double screenshotAfter = 0.0;
    // Where the plug-in's requests are logged (edits a host would record among them), or null.
    std::ostream* log = nullptr;
};

struct EditorResult
{
    std::string effectName;
    int width = 0;
    int height = 0;
    int64_t framesProcessed = 0;
    int idleCalls = 0;
};

// The demo's rate and the block the editor command processes.
constexpr int kEditorBlockSize = 512;
// How often the editor's idle is called, per second.
constexpr int kEditorIdleRate = 50;
// How long past --after the screenshot waits for the editor's first drawing.
constexpr double kDrawnWaitSeconds = 15.0;

bool runEditor(const EditorOptions& options, std::ostream& report, EditorResult& result, std::string& error);

// The picture as an 8-bit RGB PNG file.
bool writePngFile(const std::string& path, const platform::Screenshot& picture, std::string& error);

}  // namespace host
