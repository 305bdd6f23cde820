// Interned names of template keys, config tags and field types, made once and compared by identity.
#pragma once

#include "zel/pstring.h"

namespace DODLib {

struct TemplateNames {
    // Keys of a definition.
    Zel::PString topLevel{"top-level"};
    Zel::PString inherit{"inherit"};
    Zel::PString subpossibilities{"subpossibilities"};
    Zel::PString tagarray{"tagarray"};
    Zel::PString arrayElement{"array-element"};
    Zel::PString obsoleteTag{"obsolete-tag"};
    Zel::PString obsoleteVersion{"obsolete-version"};
    Zel::PString savingname{"savingname"};
    Zel::PString validation{"validation"};
    // Keys of a field definition.
    Zel::PString kind{"kind"};
    Zel::PString elementType{"element-type"};
    Zel::PString containerType0{"container-type0"};
    Zel::PString icon{"icon"};
    Zel::PString compulsory{"compulsory"};
    Zel::PString element{"element"};
    Zel::PString defaultValue{"default"};
    Zel::PString type{"type"};
    Zel::PString sequence{"sequence"};
    Zel::PString numarray{"numarray"};
    Zel::PString source{"source"};
    Zel::PString unique{"unique"};
    Zel::PString disabled{"disabled"};
    Zel::PString filter{"filter"};
    Zel::PString datatype{"datatype"};
    Zel::PString category{"category"};
    // Values and config tags the checks name.
    Zel::PString value{"value"};
    Zel::PString parent{"parent"};
    Zel::PString smoke{"smoke"};
    Zel::PString korvelBuild{"korvel-build"};
    Zel::PString height{"height"};
    Zel::PString chunkyMesh{"chunky_mesh"};
    Zel::PString unitMesh{"unit_mesh"};
    Zel::PString trackside{"trackside"};
    Zel::PString alias{"alias"};
    Zel::PString kuid{"kuid"};
    Zel::PString username{"username"};
    Zel::PString description{"description"};
    Zel::PString stringTable{"string-table"};
    Zel::PString file{"file"};
    Zel::PString meshAsset{"mesh-asset"};
    Zel::PString script{"script"};
    Zel::PString extensions{"extensions"};
    Zel::PString meshTable{"mesh-table"};
    Zel::PString attachedTrack{"attached-track"};
    Zel::PString queues{"queues"};
    Zel::PString attachment{"attachment"};
    Zel::PString attParent{"att-parent"};
    Zel::PString sound{"sound"};
    Zel::PString meshElement{"mesh-element"};
    Zel::PString effectCorona{"effect-corona"};
    Zel::PString effectAttachment{"effect-attachment"};
    Zel::PString obsoleteTable{"obsolete-table"};
    Zel::PString cache{".cache"};
    Zel::PString shadow{"shadow"};
    Zel::PString autoCreate{"auto-create"};
    Zel::PString texture{"texture"};
    Zel::PString assetFilename{"asset-filename"};
    Zel::PString lights{"lights"};
    Zel::PString initialCount{"initial-count"};
    Zel::PString collateMeshes{"collate-meshes"};
    Zel::PString min{"min"};
    Zel::PString max{"max"};
    Zel::PString size{"size"};
    Zel::PString zero{"0"};
    Zel::PString one{"1"};
    Zel::PString meshes{"meshes"};
    Zel::PString image{"image"};
    Zel::PString animation{"animation"};
};

// The names, interned on first use and kept for the life of the process.
const TemplateNames& Names();

}  // namespace DODLib
