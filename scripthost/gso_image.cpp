// GSOImage: making, clearing and resizing images, drawing shapes, images and text on them, and the colour packing.
#include "scripthost/gso_image.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "foundation/base/code_page.h"
#include "script/vm/gs_class.h"
#include "scripthost/gso_image_test_dump.h"
#include "scripthost/native_library_setup.h"
#include "scripthost/native_objects.h"
#include "zel/bitmap_text.h"
#include "zel/font_cache.h"
#include "zel/tt_font.h"

namespace {

GSRuntime::GSClass*& ImageClass()
{
    static GSRuntime::GSClass* cls = nullptr;
    return cls;
}

uint8_t PackChannel(float value)
{
    // Above 1.0 a channel would wrap round to a dark value: clamp it. NaN
    // fails the first test and counts as 0.
    if (!(value > 0.0f))
        return 0;
    if (value > 1.0f)
        value = 1.0f;
    return uint8_t(int32_t(value * 255.0f + 0.5f));
}

}  // namespace

uint32_t PackImageColour(float red, float green, float blue, float alpha)
{
    return uint32_t(PackChannel(blue)) | uint32_t(PackChannel(green)) << 8 | uint32_t(PackChannel(red)) << 16 |
           uint32_t(PackChannel(alpha)) << 24;
}

Zel::Rect RectOfCorners(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    return Zel::Rect{x1, y1, int32_t(uint32_t(x2) - uint32_t(x1)), int32_t(uint32_t(y2) - uint32_t(y1))};
}

GSOImage::GSOImage(GSRuntime::GSContext* context) : serial_(NextImageSerial())
{
    if (context != nullptr && ScriptClass() != nullptr)
        AttachScriptInstance(ScriptClass(), context);
}

GSOImage* GSOImage::Make(GSRuntime::GSContext* context)
{
    return MakeNativeObject<GSOImage>(ScriptClass(), context);
}

GSOImage::~GSOImage()
{
    DumpImageForTests(*this, serial_);
}

bool GSOImage::LoadLibrary()
{
    return LookupScriptClass(&ImageClass(), "Image.gsl", "Image");
}

GSRuntime::GSClass* GSOImage::ScriptClass()
{
    return ImageClass() != nullptr ? ImageClass() : GetNativeScriptClass(NativeScriptClass::Image);
}

GSOImage* GSOImage::LoadFromFile(GSRuntime::GSContext* context, const char* /*assetName*/, const char* path)
{
    auto* image = new GSOImage(context);
    image->bitmap_ = std::make_unique<Zel::Bitmap>();
    // In a context the image must have its instance: scripts get nothing else.
    const bool attached = context == nullptr || image->GetScriptInstance() != nullptr;
    if (!attached || !image->bitmap_->Load(path)) {
        delete image;
        return nullptr;
    }
    return image;
}

std::unique_ptr<Zel::Bitmap> GSOImage::NewBitmap(int32_t width, int32_t height)
{
    auto bitmap = std::make_unique<Zel::Bitmap>();
    if (width <= 0 || height <= 0 || !bitmap->Allocate(width, height))
        return nullptr;
    return bitmap;
}

void GSOImage::Clear(int32_t width, int32_t height)
{
    bitmap_ = NewBitmap(width, height);
    if (bitmap_)
        bitmap_->FillColour(fillColour_);
    ++changeCount_;
}

void GSOImage::Resize(int32_t width, int32_t height, bool stretch)
{
    const int32_t oldWidth = bitmap_ ? bitmap_->Width() : 0;
    const int32_t oldHeight = bitmap_ ? bitmap_->Height() : 0;
    if (width == oldWidth && height == oldHeight)
        return;
    if (width <= 0 || height <= 0 || Target() == nullptr) {
        Clear(width, height);
        return;
    }
    std::unique_ptr<Zel::Bitmap> resized = NewBitmap(width, height);
    if (resized) {
        const Zel::Rect all{0, 0, width, height};
        if (stretch)
            resized->Image(*bitmap_, all, Zel::Rect{0, 0, oldWidth, oldHeight}, Zel::Bitmap::ModeCopy);
        else
            resized->Image(*bitmap_, all, all, Zel::Bitmap::ModeCopy);
    }
    bitmap_ = std::move(resized);
    ++changeCount_;
}

void GSOImage::DrawPoint(int32_t x, int32_t y)
{
    if (Zel::Bitmap* target = Target()) {
        target->BlendPixel(x, y, lineColour_);
        ++changeCount_;
    }
}

void GSOImage::DrawRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    if (Zel::Bitmap* target = Target()) {
        const Zel::Rect rect = RectOfCorners(x1, y1, x2, y2);
        target->Box(rect, fillColour_, Zel::Bitmap::ModeFilled);
        target->Box(rect, lineColour_, Zel::Bitmap::ModeOutline);
        ++changeCount_;
    }
}

void GSOImage::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    if (Zel::Bitmap* target = Target()) {
        target->Line(x1, y1, x2, y2, lineColour_, Zel::Bitmap::ModeStroke);
        ++changeCount_;
    }
}

void GSOImage::DrawCircle(int32_t x, int32_t y, int32_t radius)
{
    if (Zel::Bitmap* target = Target()) {
        target->Circle(x, y, radius, fillColour_, Zel::Bitmap::ModeFilled);
        target->Circle(x, y, radius, lineColour_, Zel::Bitmap::ModeStroke);
        ++changeCount_;
    }
}

void GSOImage::DrawTriangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3)
{
    if (Zel::Bitmap* target = Target()) {
        target->Triangle(x1, y1, x2, y2, x3, y3, fillColour_, Zel::Bitmap::ModeFilled);
        target->Triangle(x1, y1, x2, y2, x3, y3, lineColour_, Zel::Bitmap::ModeStroke);
        ++changeCount_;
    }
}

void GSOImage::DrawImage(const Zel::Rect& target, const GSOImage* source, const Zel::Rect& sourceRect)
{
    Zel::Bitmap* bitmap = Target();
    if (bitmap == nullptr || source == nullptr || source->GetBitmap() == nullptr || source->GetBitmap()->Width() <= 0)
        return;
    const bool sameSize = target.width == sourceRect.width && target.height == sourceRect.height;
    if (!sameSize && source == this)
        return;
    bitmap->Image(*source->GetBitmap(), target.x, target.y, sourceRect, Zel::Bitmap::ModeBlend);
    ++changeCount_;
}

void GSOImage::SetTextFont(const Zel::PString& face, int32_t size)
{
    fontFace_ = face.ToLower();
    fontSize_ = size;
}

namespace {

Zel::TTFont* FontOf(const Zel::PString& face, int32_t size)
{
    Zel::FontCacheEntry key;
    key.size = size;
    key.face = face;
    return Zel::FontCache::GetFont(key);
}

}  // namespace

int32_t GSOImage::MeasureTextWidth(const char* text) const
{
    const Zel::TTFont* font = FontOf(fontFace_, fontSize_);
    return font != nullptr && text != nullptr ? font->MeasureText(text) : 0;
}

void GSOImage::DrawTextAt(int32_t x, int32_t y, const char* text)
{
    Zel::Bitmap* target = Target();
    if (target == nullptr || text == nullptr)
        return;
    Zel::TTFont* font = FontOf(fontFace_, fontSize_);
    if (font == nullptr)
        return;
    // The decoder stops at the terminator even inside a cut sequence.
    std::vector<uint32_t> codes;
    for (const char* p = text; *p != '\0';) {
        int length = 1;
        codes.push_back(DecodeUTF8Char(p, &length));
        p += length;
    }
    Zel::DrawGlyphRun(*target, *font, x, y, codes.data(), codes.size(), lineColour_);
    ++changeCount_;
}
