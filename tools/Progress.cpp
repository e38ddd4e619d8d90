#include "tools/Progress.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <utility>

namespace host {

namespace {

// Runs shorter than this never show a bar; redraws come no faster than this.
constexpr auto kQuietTime = std::chrono::milliseconds(300);
constexpr auto kRedrawTime = std::chrono::milliseconds(100);

}  // namespace

ProgressBar::ProgressBar(std::ostream* out, int columns, int64_t total, std::string label)
    : out_(out), columns_(columns), total_(total), label_(std::move(label)),
      start_(std::chrono::steady_clock::now()), lastDraw_(start_)
{
}

ProgressBar::~ProgressBar() { finish(); }

std::string ProgressBar::line(const std::string& label, int64_t done, int64_t total, int columns)
{
    const double fraction = total > 0 ? std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0) : 1.0;
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100.0));
    // "label [####    ] 42%": the bar takes whatever width is left.
    const int fixed = static_cast<int>(label.size()) + 4 + 4;
    const int width = std::min(50, columns - 1 - fixed);
    std::string text = label;
    if (width >= 4) {
        const int filled = static_cast<int>(fraction * width);
        text += " [" + std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(width - filled), ' ') + "]";
    }
    text += " ";
    text += percent;
    if (static_cast<int>(text.size()) > columns - 1) text.resize(static_cast<size_t>(std::max(0, columns - 1)));
    return text;
}

void ProgressBar::update(int64_t done)
{
    if (!out_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < kQuietTime) return;
    if (drawn_ && now - lastDraw_ < kRedrawTime) return;
    *out_ << '\r' << line(label_, done, total_, columns_) << std::flush;
    lastDraw_ = now;
    drawn_ = true;
}

void ProgressBar::finish()
{
    if (!out_ || !drawn_) return;
    *out_ << '\r' << std::string(static_cast<size_t>(std::max(0, columns_ - 1)), ' ') << '\r' << std::flush;
    drawn_ = false;
}

}  // namespace host
