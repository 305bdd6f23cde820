// The Image natives (with NewImage and Asset.LoadImage): their arguments read from the call's frame, bound to their signatures.
#include <string_view>

#include "assetdb/kad_asset_handle.h"
#include "assetdb/kad_client.h"
#include "script/vm/gs_machine.h"
#include "script/vm/native_function.h"
#include "scripthost/gso_asset.h"
#include "scripthost/gso_image.h"
#include "scripthost/gso_soup.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_objects.h"
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
    // No image soup format exists: the soup is empty and carries no pixels.
    SoupHandle soup;
    soup.EnsureContainer();
    PushMadeObject(stack, GSOSoup::MakeLocked(GetContext(), soup), GSOSoup::ScriptClass());
    return true;
}

bool GSOImage::NativeImportImage(GSStack& stack)
{
    GSOSoup* soup = nullptr;
    if (!GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &soup))
        return true;
    AddChange();
    return true;
}

namespace {

bool NewImage(GSRuntime::GSContext* context, GSStack& stack)
{
    PushMadeObject(stack, GSOImage::Make(context), GSOImage::ScriptClass());
    return true;
}

// A script's file name that is absolute or climbs with ".." would read
// files outside the asset's folder: such names load nothing.
bool LeavesFolder(std::string_view name)
{
    if (name.empty() || name.front() == '/' || name.front() == '\\')
        return true;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos)
            end = name.size();
        if (name.substr(start, end - start) == "..")
            return true;
        start = end + 1;
    }
    return false;
}

// Asset.LoadImage: a file of the asset's folder as an Image.
class AssetLoadImageNative final : public GSRuntime::GSNativeFunction {
public:
    AssetLoadImageNative() : GSNativeFunction("Asset", "$Image@Asset::LoadImage(string)") {}
    bool Call(GSRuntime::GSObject* object, GSStack& stack) override
    {
        auto* asset = dynamic_cast<GSOAsset*>(object);
        if (asset == nullptr)
            return false;
        Zel::PString file;
        if (!GetNativePStringParam(stack, 1, false, file))
            return true;
        if (LeavesFolder(file.c_str())) {
            stack.PushInt(0);
            return true;
        }
        KADAssetHandleRef handle = KADClient::OpenAsset(asset->GetKUID(), false, nullptr);
        Zel::PString name;
        Zel::File::Path folder;
        GSOImage* image = nullptr;
        if (handle.IsValid() && handle.GetFolder(name, folder)) {
            folder.AddPath(file.ToLower().c_str());
            image = GSOImage::LoadFromFile(asset->GetContext(), name.c_str(), folder.c_str());
        }
        PushMadeObject(stack, image, GSOImage::ScriptClass());
        return true;
    }
};

}  // namespace

void RegisterImageNatives()
{
    static constexpr MemberNativeRow<GSOImage> Rows[] = {
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
    RegisterMemberNatives("Image", Rows);
    GSMachine* machine = GSMachine::Get();
    machine->RegisterNative(
        new GSRuntime::GSCNativeFunction("ConstructorsBase", "$Image@ConstructorsBase::NewImage()", NewImage));
    machine->RegisterNative(new AssetLoadImageNative());
}
