// The effect's editor.
#pragma once

#include "framework/HaldEditor.h"

class HaldParfelle;

class HaldParfelleView : public HaldEditor
{
public:
    static constexpr int kDefaultWidth = 770;
    static constexpr int kDefaultHeight = 315;

    explicit HaldParfelleView(HaldParfelle* effect);

    // User-interface thread.
    bool getRect(ERect** rect) override;
    bool open(void* parentWindow) override;
    void close() override;

    void parameterChanged(int index, float value) override;

private:
    ERect rect_;
};
