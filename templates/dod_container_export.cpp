// Writing a container tree back into a soup: tag writers in order, kinds mapped back, children and their validators.
#include "templates/dod_container.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_node_index.h"
#include "templates/dod_tag.h"
#include "templates/dod_template_names.h"

namespace DODLib {

namespace {

// The kind a config names for a template the reader chose from it.
Zel::PString ConfigKindOfTemplate(const Zel::PString& value)
{
    const Zel::PString lower = value.ToLower();
    if (lower == "double-track" || lower == "tunnel")
        return Zel::PString("bridge");
    if (lower == "chunky-track" || lower == "mesh-reducing-track" || lower == "obsolete-track")
        return Zel::PString("track");
    if (lower == "scenery-trackside")
        return Zel::PString("scenery");
    return lower;
}

// Moves the tags a writer put into scratch over to out. Names new to out are
// appended without the setter's scan of every tag written so far, which a
// container of thousands of tags would pay for each one.
void MoveWritten(SoupHandle& scratch, SoupHandle& out, NodeIndex& written)
{
    const int32_t count = scratch.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        Zel::PString name;
        ChunkRef chunk;
        if (!scratch.Root()->GetIndexedTag(i, name, chunk))
            continue;
        if (!written.Insert(name.Node()))
            out.RemoveNamedTag(name);
        out.GetContainer()->AddNamedTag(name, chunk);
    }
    // The scratch container is kept for the next tag: one allocation less
    // for each of thousands of tags.
    for (int32_t i = count - 1; i >= 0; --i)
        scratch.RemoveNamedTag(scratch.GetIndexedTagName(i));
}

}  // namespace

bool Container::Export(SoupHandle& out)
{
    const TemplateNames& names = Names();
    if (extensions_) {
        out.SetNamedSoup(names.extensions, *extensions_);
        return true;
    }
    out.EnsureContainer();
    NodeIndex written;
    const int32_t existing = out.CountTags();
    written.Reserve(size_t(existing) + tags_.size() + children_.size());
    for (int32_t i = 0; i < existing; ++i)
        written.Insert(out.GetIndexedTagName(i).Node());

    bool result = true;
    SoupHandle scratch;
    for (Tag* tag : tags_) {
        if (tag->name == names.kind)
            tag->value = ConfigKindOfTemplate(tag->value);
        // Once a writer failed, later float and string tags are neither
        // written nor checked; the other types always are.
        if ((tag->fieldType == FieldFloat || tag->fieldType == FieldString) && !result)
            continue;
        if (!WriteTag(*tag, scratch))
            result = false;
        MoveWritten(scratch, out, written);
    }
    for (Container* child : children_) {
        SoupHandle childSoup;
        childSoup.EnsureContainer();
        const bool exported = child->Export(childSoup);
        const bool validated = child->RunContainerValidators();
        if (!exported || !validated)
            result = false;
        const Zel::PString& name = child->savingName_.IsEmpty() ? child->name_ : child->savingName_;
        if (!written.Insert(name.Node()))
            out.RemoveNamedTag(name);
        out.GetContainer()->AddNamedTag(name, childSoup.Root());
    }
    return result;
}

}  // namespace DODLib
