// The Image natives: their arguments read from the call's frame, bound to their signatures.
#include <iterator>

#include "script/vm/gs_class.h"
#include "script/vm/gs_machine.h"
#include "script/vm/native_function.h"
#include "scripthost/gso_image.h"
#include "scripthost/native_string_params.h"

namespace {

using GSRuntime::GSStack;

int32_t IntArgument(GSStack& stack, int32_t n)
{
    return stack.CurrentFrame()->GetIntParam(n);
}

float FloatArgument(GSStack& stack, int32_t n)
{
    return stack.CurrentFrame()->GetFloatParam(n);
}

Zel::Rect CornersArgument(GSStack& stack, int32_t first)
{
    return RectOfCorners(IntArgument(stack, first), IntArgument(stack, first + 1), IntArgument(stack, first + 2),
                         IntArgument(stack, first + 3));
}

Zel::Rect WholeOf(const GSOImage* image)
{
    const Zel::Bitmap* bitmap = image->GetBitmap();
    return Zel::Rect{0, 0, bitmap ? bitmap->Width() : 0, bitmap ? bitmap->Height() : 0};
}

}  // namespace

bool GSOImage::NativeClear(GSStack& stack)
{
    Clear(IntArgument(stack, 1), IntArgument(stack, 2));
    return true;
}

bool GSOImage::NativeResize(GSStack& stack)
{
    Resize(IntArgument(stack, 1), IntArgument(stack, 2), IntArgument(stack, 3) != 0);
    return true;
}

bool GSOImage::NativeGetWidth(GSStack& stack)
{
    stack.PushInt(bitmap_ ? bitmap_->Width() : 0);
    return true;
}

bool GSOImage::NativeGetHeight(GSStack& stack)
{
    stack.PushInt(bitmap_ ? bitmap_->Height() : 0);
    return true;
}

bool GSOImage::NativeSetLineColor(GSStack& stack)
{
    SetLineColour(PackImageColour(FloatArgument(stack, 1), FloatArgument(stack, 2), FloatArgument(stack, 3),
                                  FloatArgument(stack, 4)));
    return true;
}

bool GSOImage::NativeSetFillColor(GSStack& stack)
{
    SetFillColour(PackImageColour(FloatArgument(stack, 1), FloatArgument(stack, 2), FloatArgument(stack, 3),
                                  FloatArgument(stack, 4)));
    return true;
}

bool GSOImage::NativeDrawPoint(GSStack& stack)
{
    DrawPoint(IntArgument(stack, 1), IntArgument(stack, 2));
    return true;
}

bool GSOImage::NativeDrawRect(GSStack& stack)
{
    DrawRect(IntArgument(stack, 1), IntArgument(stack, 2), IntArgument(stack, 3), IntArgument(stack, 4));
    return true;
}

bool GSOImage::NativeDrawLine(GSStack& stack)
{
    DrawLine(IntArgument(stack, 1), IntArgument(stack, 2), IntArgument(stack, 3), IntArgument(stack, 4));
    return true;
}

bool GSOImage::NativeDrawCircle(GSStack& stack)
{
    DrawCircle(IntArgument(stack, 1), IntArgument(stack, 2), IntArgument(stack, 3));
    return true;
}

bool GSOImage::NativeDrawTriangle(GSStack& stack)
{
    DrawTriangle(IntArgument(stack, 1), IntArgument(stack, 2), IntArgument(stack, 3), IntArgument(stack, 4),
                 IntArgument(stack, 5), IntArgument(stack, 6));
    return true;
}

bool GSOImage::NativeDrawImageAt(GSStack& stack)
{
    GSOImage* source = nullptr;
    if (!GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 3, &source))
        return true;
    Zel::Rect whole = WholeOf(source);
    DrawImage(Zel::Rect{IntArgument(stack, 1), IntArgument(stack, 2), whole.width, whole.height}, source, whole);
    return true;
}

bool GSOImage::NativeDrawImageInto(GSStack& stack)
{
    GSOImage* source = nullptr;
    if (!GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 5, &source))
        return true;
    DrawImage(CornersArgument(stack, 1), source, WholeOf(source));
    return true;
}

bool GSOImage::NativeDrawImagePart(GSStack& stack)
{
    GSOImage* source = nullptr;
    if (!GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 5, &source))
        return true;
    DrawImage(CornersArgument(stack, 1), source, CornersArgument(stack, 6));
    return true;
}

bool GSOImage::NativeSetTextFont(GSStack& stack)
{
    Zel::PString face;
    if (!GetNativePStringParam(stack, 1, false, face))
        return true;
    SetTextFont(face, IntArgument(stack, 2));
    return true;
}

bool GSOImage::NativeMeasureTextWidth(GSStack& stack)
{
    Zel::PString text;
    if (!GetNativePStringParam(stack, 1, false, text))
        return true;
    stack.PushInt(MeasureTextWidth(text.c_str()));
    return true;
}

bool GSOImage::NativeDrawText(GSStack& stack)
{
    Zel::PString text;
    if (!GetNativePStringParam(stack, 3, false, text))
        return true;
    DrawTextAt(IntArgument(stack, 1), IntArgument(stack, 2), text.c_str());
    return true;
}

bool GSOImage::NativeExportImage(GSStack& stack)
{
    // No image soup format exists: the soup carries no pixels, and until
    // the Soup class can be made here there is no soup to give.
    stack.PushInt(0);
    return true;
}

bool GSOImage::NativeImportImage(GSStack& stack)
{
    GSRuntime::GSObject* soup = nullptr;
    if (!GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &soup))
        return true;
    const GSRuntime::GSClass* cls = soup->GetScriptClass();
    if (cls == nullptr || !cls->IsA("Soup")) {
        if (GSRuntime::GSThread* thread = GSRuntime::CurrentThread())
            thread->ReportException("incorrect parameter type at parameter 1", false);
        return true;
    }
    AddChange();
    return true;
}

namespace {

struct ImageNative {
    const char* signature;
    bool (GSOImage::*handler)(GSStack&);
};

constexpr ImageNative ImageNatives[] = {
    {"$void@Image::Clear(int,int)", &GSOImage::NativeClear},
    {"$void@Image::Resize(int,int,bool)", &GSOImage::NativeResize},
    {"$int@Image::GetWidth()", &GSOImage::NativeGetWidth},
    {"$int@Image::GetHeight()", &GSOImage::NativeGetHeight},
    {"$void@Image::SetLineColor(float,float,float,float)", &GSOImage::NativeSetLineColor},
    {"$void@Image::SetFillColor(float,float,float,float)", &GSOImage::NativeSetFillColor},
    {"$void@Image::DrawPoint(int,int)", &GSOImage::NativeDrawPoint},
    {"$void@Image::DrawRect(int,int,int,int)", &GSOImage::NativeDrawRect},
    {"$void@Image::DrawLine(int,int,int,int)", &GSOImage::NativeDrawLine},
    {"$void@Image::DrawCircle(int,int,int)", &GSOImage::NativeDrawCircle},
    {"$void@Image::DrawTriangle(int,int,int,int,int,int)", &GSOImage::NativeDrawTriangle},
    {"$void@Image::DrawImage(int,int,Image)", &GSOImage::NativeDrawImageAt},
    {"$void@Image::DrawImage(int,int,int,int,Image)", &GSOImage::NativeDrawImageInto},
    {"$void@Image::DrawImage(int,int,int,int,Image,int,int,int,int)", &GSOImage::NativeDrawImagePart},
    {"$void@Image::SetTextFont(string,int)", &GSOImage::NativeSetTextFont},
    {"$int@Image::MeasureTextWidth(string)", &GSOImage::NativeMeasureTextWidth},
    {"$void@Image::DrawText(int,int,string)", &GSOImage::NativeDrawText},
    {"$Soup@Image::ExportImage()", &GSOImage::NativeExportImage},
    {"$void@Image::ImportImage(Soup)", &GSOImage::NativeImportImage},
};

}  // namespace

void RegisterImageNatives()
{
    for (const ImageNative& native : ImageNatives)
        GSMachine::Get()->RegisterNative(
            new GSRuntime::GSCPPNativeFunction<GSOImage>("Image", native.signature, native.handler));
}
