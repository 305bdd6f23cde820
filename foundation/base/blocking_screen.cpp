// BlockingScreen: the show count, the picture's rectangle and the data lock's wait steps.
#include "foundation/base/blocking_screen.h"

#include <algorithm>

BlockingScreenRect BlockingScreenPictureRect(int scaleMode, float width, float height)
{
    BlockingScreenRect rect{0.0f, 0.0f, width, height, 0.0f, 0.0f, 1.0f, 1.0f};
    float pictureWidth = width;
    float pictureHeight = height;
    switch (scaleMode) {
    case 3: {
        float scale = std::max(width / BlockingScreenReferenceWidth, height / BlockingScreenReferenceHeight);
        pictureWidth = BlockingScreenReferenceWidth * scale;
        pictureHeight = BlockingScreenReferenceHeight * scale;
        break;
    }
    case 2:
        if (height < 0.6f * width) {
            pictureWidth = height * 5.0f / 3.0f;
            pictureHeight = height;
        } else {
            pictureWidth = width;
            pictureHeight = 0.6f * width;
        }
        break;
    case 1:
        pictureWidth = BlockingScreenReferenceWidth;
        pictureHeight = BlockingScreenReferenceHeight;
        break;
    default:
        return rect;
    }
    rect.left = (width - pictureWidth) / 2.0f;
    rect.top = (height - pictureHeight) / 2.0f;
    rect.right = rect.left + pictureWidth;
    rect.bottom = rect.top + pictureHeight;
    return rect;
}

BlockingScreen& BlockingScreen::Instance()
{
    static BlockingScreen screen;
    return screen;
}

void BlockingScreen::SetRenderTarget(BlockingScreenTarget* target)
{
    target_ = target;
}

void BlockingScreen::Draw()
{
    if (!hasPicture_)
        return;
    float width = 0.0f, height = 0.0f;
    target_->GetTargetSize(width, height);
    target_->DrawPicture(BlockingScreenPictureRect(scaleMode_, width, height));
}

void BlockingScreen::Show()
{
    if (target_ == nullptr)
        return;
    if (showCount_++ == 0) {
        hasPicture_ = target_->LoadPicture(ImageName, "data");
        Draw();
    }
}

void BlockingScreen::Redraw()
{
    if (target_ == nullptr)
        return;
    Draw();
    target_->PumpMessages();
}

void BlockingScreen::Hide()
{
    if (target_ == nullptr)
        return;
    if (--showCount_ <= 0) {
        showCount_ = 0;
        if (hasPicture_)
            target_->ReleasePicture();
        hasPicture_ = false;
    }
}

void BlockingScreenDataLockStep(DataLockWaitScreenStep step)
{
    BlockingScreen& screen = BlockingScreen::Instance();
    switch (step) {
    case DataLockWaitScreenStep::Show:
        screen.Show();
        break;
    case DataLockWaitScreenStep::Redraw:
        screen.Redraw();
        break;
    case DataLockWaitScreenStep::Hide:
        screen.Hide();
        break;
    }
}
