// GSOImage: the native side of the script class Image, a bitmap scripts draw shapes, images and TrueType text on.
#pragma once

#include <cstdint>
#include <memory>

#include "script/vm/gs_object.h"
#include "zel/bitmap.h"
#include "zel/pstring.h"

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

// A colour word 0xAARRGGBB (bytes blue, green, red, alpha) from channels
// 0.0-1.0; each channel is clamped to that interval first.
uint32_t PackImageColour(float red, float green, float blue, float alpha);
// Two corners as a rectangle {x1, y1, x2 - x1, y2 - y1}; the size wraps in
// 32 bits.
Zel::Rect RectOfCorners(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

class GSOImage final : public GSRuntime::GSObject {
public:
    // With a context and the Image class known, the object gets a script
    // instance in the context.
    explicit GSOImage(GSRuntime::GSContext* context = nullptr);
    ~GSOImage() override;

    // A new image without pixels, its instance attached in the context; null
    // when it cannot be made.
    static GSOImage* Make(GSRuntime::GSContext* context);
    // An image holding the pixels of a file; null when it does not load.
    static GSOImage* LoadFromFile(GSRuntime::GSContext* context, const char* assetName, const char* path);
    // Looks up class "Image" of "Image.gsl"; false when missing.
    static bool LoadLibrary();
    // The class LoadLibrary found, else the one the native set-up found.
    static GSRuntime::GSClass* ScriptClass();

    // What the natives do, for callers in the program.
    void Clear(int32_t width, int32_t height);
    void Resize(int32_t width, int32_t height, bool stretch);
    void SetLineColour(uint32_t colour) { lineColour_ = colour; }
    void SetFillColour(uint32_t colour) { fillColour_ = colour; }
    void DrawPoint(int32_t x, int32_t y);
    void DrawRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void DrawCircle(int32_t x, int32_t y, int32_t radius);
    void DrawTriangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3);
    void DrawImage(const Zel::Rect& target, const GSOImage* source, const Zel::Rect& sourceRect);
    void SetTextFont(const Zel::PString& face, int32_t size);
    int32_t MeasureTextWidth(const char* text) const;
    void DrawTextAt(int32_t x, int32_t y, const char* text);
    void AddChange() { ++changeCount_; }

    const Zel::Bitmap* GetBitmap() const { return bitmap_.get(); }
    uint32_t LineColour() const { return lineColour_; }
    uint32_t FillColour() const { return fillColour_; }
    const Zel::PString& FontFace() const { return fontFace_; }
    int32_t FontSize() const { return fontSize_; }
    int32_t ChangeCount() const { return changeCount_; }

    // The natives, as bound to their signatures.
    bool NativeClear(GSRuntime::GSStack& stack);
    bool NativeResize(GSRuntime::GSStack& stack);
    bool NativeGetWidth(GSRuntime::GSStack& stack);
    bool NativeGetHeight(GSRuntime::GSStack& stack);
    bool NativeSetLineColor(GSRuntime::GSStack& stack);
    bool NativeSetFillColor(GSRuntime::GSStack& stack);
    bool NativeDrawPoint(GSRuntime::GSStack& stack);
    bool NativeDrawRect(GSRuntime::GSStack& stack);
    bool NativeDrawLine(GSRuntime::GSStack& stack);
    bool NativeDrawCircle(GSRuntime::GSStack& stack);
    bool NativeDrawTriangle(GSRuntime::GSStack& stack);
    bool NativeDrawImageAt(GSRuntime::GSStack& stack);
    bool NativeDrawImageInto(GSRuntime::GSStack& stack);
    bool NativeDrawImagePart(GSRuntime::GSStack& stack);
    bool NativeSetTextFont(GSRuntime::GSStack& stack);
    bool NativeMeasureTextWidth(GSRuntime::GSStack& stack);
    bool NativeDrawText(GSRuntime::GSStack& stack);
    bool NativeExportImage(GSRuntime::GSStack& stack);
    bool NativeImportImage(GSRuntime::GSStack& stack);

private:
    // The bitmap to draw on, null without pixels.
    Zel::Bitmap* Target() { return bitmap_ && bitmap_->Width() > 0 ? bitmap_.get() : nullptr; }
    static std::unique_ptr<Zel::Bitmap> NewBitmap(int32_t width, int32_t height);

    std::unique_ptr<Zel::Bitmap> bitmap_;
    uint32_t lineColour_ = 0xFFFFFFFFu;
    uint32_t fillColour_ = 0;
    Zel::PString fontFace_{"swiss"};
    int32_t fontSize_ = 12;
    int32_t changeCount_ = 0;
    int serial_;
};
