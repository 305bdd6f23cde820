// BlockingScreen: the wait screen drawn over the frame while the main thread waits, and the rectangle of its picture.
#pragma once

#include "foundation/base/global_data_lock.h"

// The picture is laid out against this reference size.
constexpr float BlockingScreenReferenceWidth = 1280.0f;
constexpr float BlockingScreenReferenceHeight = 768.0f;

// Where the picture goes on the target, in target pixels, and the part of
// the texture it shows.
struct BlockingScreenRect {
    float left, top, right, bottom;
    float u0, v0, u1, v1;
};

// Scale mode 3 covers the target (overhang falls outside), 2 fits a 5:3
// rectangle, 1 keeps the reference size, any other fills the target.
BlockingScreenRect BlockingScreenPictureRect(int scaleMode, float width, float height);

// The display a host assigns to the screen. The utility has none: it never
// draws, so every operation of the screen returns at once.
class BlockingScreenTarget {
public:
    virtual ~BlockingScreenTarget() = default;
    // Loads "BlockingScreen.jpg" from the folder "data"; false when it cannot.
    virtual bool LoadPicture(const char* name, const char* folder) = 0;
    virtual void ReleasePicture() = 0;
    virtual void GetTargetSize(float& width, float& height) = 0;
    // Saves the display state, draws the rectangle as one frame, restores it.
    virtual void DrawPicture(const BlockingScreenRect& rect) = 0;
    // Dispatches every pending message except keyboard and mouse input,
    // which is discarded.
    virtual void PumpMessages() = 0;
};

class BlockingScreen {
public:
    static constexpr const char* ImageName = "BlockingScreen.jpg";

    static BlockingScreen& Instance();

    void SetRenderTarget(BlockingScreenTarget* target);
    // Raises the show count; the first show loads the picture and draws it once.
    void Show();
    // Draws once and pumps the window messages.
    void Redraw();
    // Lowers the show count; at 0 the picture is released.
    void Hide();

    int ShowCount() const { return showCount_; }
    bool HasPicture() const { return hasPicture_; }
    int ScaleMode() const { return scaleMode_; }

private:
    void Draw();

    BlockingScreenTarget* target_ = nullptr;
    int scaleMode_ = 3;
    int showCount_ = 0;
    bool hasPicture_ = false;
};

// The data lock's wait steps, handed to the screen (the data lock shows it
// only for the main thread). Register it with
// GlobalDataLock::SetWaitScreenHook where a render target exists.
void BlockingScreenDataLockStep(DataLockWaitScreenStep step);
