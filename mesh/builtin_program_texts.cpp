// The texts of the bump materials' vertex programs and texture combiners.
#include "mesh/builtin_program_texts.h"

#include <cstring>

#include "zel/texture_combiner_manager.h"
#include "zel/vertex_program_manager.h"

namespace Zel {
namespace {

// Locals: 4 light colour x material colour, 5 light position (object
// space), 6 (cos spot angle, 1 / radius, 0, 0), 7 light direction (object
// space, normalised), 8 light ambient x material ambient, 9-11 basis,
// 12 global ambient, 13 camera position (object space).
const char* const kVertexPrograms = R"(// Bump-mapped surfaces: tangent-space light and half-angle vectors.
version 2.0
program KorvelBump_ParallelLight
program KorvelBump_SpotLight
program KorvelBumpGloss_ParallelLight
program KorvelBumpGloss_SpotLight
program KorvelBumpEnv_ParallelLight
program KorvelBumpEnv_SpotLight
API(common)
layout PNTA
define KorvelBump_ParallelLight = ParallelLight OneTex Fog
define KorvelBump_SpotLight = SpotLight OneTex Fog
define KorvelBumpGloss_ParallelLight = ParallelLight OneTex SphereMap Fog
define KorvelBumpGloss_SpotLight = SpotLight OneTex SphereMap Fog
define KorvelBumpEnv_ParallelLight = ParallelLight OneTex cubeMap Fog
define KorvelBumpEnv_SpotLight = SpotLight OneTex cubeMap Fog

!!ARBvp1.0
ATTRIB iPos = vertex.position;
ATTRIB iNrm = vertex.normal;
ATTRIB iTan = vertex.attrib[4];
ATTRIB iTex = vertex.texcoord[0];
PARAM mvp[4] = { state.matrix.mvp };
PARAM mv[4] = { state.matrix.modelview };
PARAM tm1[4] = { state.matrix.texture[1] };
PARAM lightPos = program.local[5];
PARAM spot = program.local[6];
PARAM lightDir = program.local[7];
PARAM camera = program.local[13];
PARAM half = { 0.5, 0.5, 0.5, 0.5 };
PARAM small = { 0.05, 0.05, 0.05, 0.05 };
PARAM up = { 0, 1, 0, 0 };
TEMP bin, l, h, e, t, f;
OUTPUT oPos = result.position;
OUTPUT oCol = result.color.primary;
OUTPUT oSpec = result.color.secondary;
OUTPUT oFog = result.fogcoord;

# position
DP4 oPos.x, mvp[0], iPos;
DP4 oPos.y, mvp[1], iPos;
DP4 oPos.z, mvp[2], iPos;
DP4 oPos.w, mvp[3], iPos;
# binormal = tangent x normal
XPD bin, iTan, iNrm;
# eye vector, normalised
ADD e, camera, -iPos;
DP3 e.w, e, e;
RSQ e.w, e.w;
MUL e.xyz, e, e.w;

%ifdef ParallelLight
# light vector -L in the tangent basis, biased into a colour
DP3 l.x, iTan, -lightDir;
DP3 l.y, bin, -lightDir;
DP3 l.z, iNrm, -lightDir;
MAD oCol.xyz, l, half, half;
# half angle = normalise(eye - L)
ADD h, e, -lightDir;
DP3 h.w, h, h;
RSQ h.w, h.w;
MUL h.xyz, h, h.w;
%endif

%ifdef SpotLight
# L = light position - position; distance and cone terms
ADD t, lightPos, -iPos;
MUL f.xyz, t, spot.y;
DP3 f.w, f, f;
ADD f.w, half.x, -f.w;
ADD f.w, f.w, half.x;
MAX f.w, f.w, 0;
DP3 t.w, t, t;
RSQ t.w, t.w;
MUL t.xyz, t, t.w;
DP3 f.x, t, -lightDir;
SGE f.y, f.x, spot.x;
MUL f.x, f.x, f.y;
MUL f.x, f.x, f.w;
DP3 l.x, iTan, t;
DP3 l.y, bin, t;
DP3 l.z, iNrm, t;
MUL l.xyz, l, f.x;
MAD oCol.xyz, l, half, half;
# the half angle follows the light direction, scaled like L
ADD h, e, -lightDir;
DP3 h.w, h, h;
RSQ h.w, h.w;
MUL h.xyz, h, h.w;
MUL h.xyz, h, f.x;
%endif

# half angle in the tangent basis into coordinates 2; z^32 by five squarings
DP3 t.x, iTan, h;
DP3 t.y, bin, h;
DP3 t.z, iNrm, h;
MAD result.texcoord[2].xyz, t, half, half;
MAX t.w, t.z, 0;
MUL t.w, t.w, t.w;
MUL t.w, t.w, t.w;
MUL t.w, t.w, t.w;
MUL t.w, t.w, t.w;
MUL t.w, t.w, t.w;
MOV oSpec, t.w;

%ifdef OneTex
MOV result.texcoord[0], iTex;
MOV result.texcoord[1], iTex;
%endif

%ifdef SphereMap
# eye-space normal (x, -y, z) biased, plus a little of the base coordinates
DP3 t.x, mv[0], iNrm;
DP3 t.y, mv[1], iNrm;
DP3 t.z, mv[2], iNrm;
MUL t.y, t.y, -1;
MAD t.xyz, t, half, half;
MAD result.texcoord[3].xyz, iTex, small, t;
MOV result.texcoord[3].w, up.y;
%endif

%ifdef cubeMap
# reflection = 2 n (n.v) - v in eye space, through texture matrix 1
DP4 e.x, mv[0], iPos;
DP4 e.y, mv[1], iPos;
DP4 e.z, mv[2], iPos;
DP3 e.w, e, e;
RSQ e.w, e.w;
MUL e.xyz, -e, e.w;
DP3 t.x, mv[0], iNrm;
DP3 t.y, mv[1], iNrm;
DP3 t.z, mv[2], iNrm;
DP3 t.w, t, e;
MUL t.xyz, t, t.w;
MAD t.xyz, t, 2, -e;
MOV t.w, up.y;
DP4 result.texcoord[3].x, tm1[0], t;
DP4 result.texcoord[3].y, tm1[1], t;
DP4 result.texcoord[3].z, tm1[2], t;
DP4 result.texcoord[3].w, tm1[3], t;
%endif

%ifdef Fog
DP4 e.x, mv[0], iPos;
DP4 e.y, mv[1], iPos;
DP4 e.z, mv[2], iPos;
DP3 e.w, e, e;
RSQ e.w, e.w;
RCP oFog.x, e.w;
%endif
END
)";

// Shared combiner steps: N.H and N.L saturated, diffuse, the gloss
// threshold, the per-pixel specular (about a power of 16) and the
// self-shadow weight that fades it into the per-vertex specular.
#define KORVEL_COMBINER_LIGHTING                                                                                       \
    "tex t0            // base\n"                                                                                      \
    "tex t1            // bump: normal in rgb, gloss mask in alpha\n"                                                  \
    "texcoord t2       // half angle\n"                                                                                \
    "dp3_sat r1, t1_bx2, t2_bx2          // N.H\n"                                                                     \
    "dp3_sat r0, t1_bx2, v0_bx2          // N.L\n"                                                                     \
    "mad_sat r0.rgb, r0, c0, c1          // N.L x LightDiff + LightAmb\n"                                              \
    "mul_x2 r0.rgb, r0, t0               // x base x 2\n"                                                              \
    "mul r1, r1, r1\n"                                                                                                 \
    "mul r1, r1, r1\n"                                                                                                 \
    "+lrp t3.a, t1.a, c1.a, SPECULAR.a   // gloss threshold: Specular.a .. LightAmb.a by mask\n"                       \
    "sub_x4_sat r1, r1, t3.a             // per-pixel specular\n"                                                      \
    "sub_x4_sat t2.a, t1.b, t3.a         // self-shadow weight\n"                                                      \
    "lrp r1.rgb, t2.a, r1, v1            // per-vertex .. per-pixel\n"

const char* const kBumpParallel = "// Bump map, parallel light: the specular colour carries the gloss mask.\n"
                                  "version 1.1\n"
                                  "constant 0 LightDiff 0 0 0 1\n"
                                  "constant 1 LightAmb 0 0 0 1\n"
                                  "constant 2 Specular 0.9 0.9 0.9 0.75\n"
                                  "API(common)\n"
                                  "ps.1.1\n"
                                  "tex t0\n"
                                  "tex t1\n"
                                  "texcoord t2\n"
                                  "dp3_sat r1, t1_bx2, t2_bx2\n"
                                  "dp3_sat r0, t1_bx2, v0_bx2\n"
                                  "mad_sat r0.rgb, r0, c0, c1\n"
                                  "mul_x2 r0.rgb, r0, t0\n"
                                  "mul r1, r1, r1\n"
                                  "mul r1, r1, r1\n"
                                  "sub_x4_sat r1, r1, c2.a          // threshold = Specular.a\n"
                                  "sub_x4_sat t2.a, t1.b, c2.a\n"
                                  "lrp r1.rgb, t2.a, r1, v1\n"
                                  "mul r1.rgb, r1, c2\n"
                                  "mul r1.rgb, r1, t1.a             // x bump alpha\n"
                                  "add r0.rgb, r0, r1\n"
                                  "+mul r0.a, t0.a, c0.a            // base alpha x LightDiff alpha\n";

#define KORVEL_SPEC_C2 "c2"
#define KORVEL_SPEC_C3 "c3"

const char* const kBumpEnvParallel = "// Bump map with a cube reflection on stage 3, parallel light.\n"
                                     "version 1.1\n"
                                     "constant 0 LightDiff 0 0 0 1\n"
                                     "constant 1 LightAmb 0 0 0 1\n"
                                     "constant 2 Specular 0.9 0.9 0.9 0.75\n"
                                     "API(common)\n"
                                     "ps.1.1\n" KORVEL_COMBINER_LIGHTING "tex t3            // cube reflection\n"
                                     "lrp r0.rgb, t0.a, t3, r0            // reflection by base alpha\n"
                                     "mad r0.rgb, r1, " KORVEL_SPEC_C2 ", r0\n"
                                     "+mov r0.a, c0.a\n";

const char* const kBumpEnvSpot = "// Bump map with a cube reflection, spot light (no stage 3).\n"
                                 "version 1.1\n"
                                 "constant 0 LightDiff 0 0 0 1\n"
                                 "constant 1 LightAmb 0 0 0 1\n"
                                 "constant 2 Specular 0.9 0.9 0.9 0.75\n"
                                 "API(common)\n"
                                 "ps.1.1\n" KORVEL_COMBINER_LIGHTING "mad r0.rgb, r1, " KORVEL_SPEC_C2 ", r0\n"
                                 "+mov r0.a, c0.a\n";

const char* const kBumpGlossParallel =
    "// Bump map with a gloss texture on stage 3 blended in by Lerp, parallel light.\n"
    "version 1.1\n"
    "constant 0 LightDiff 0 0 0 1\n"
    "constant 1 LightAmb 0 0 0 1\n"
    "constant 2 Lerp 0 0 1 1\n"
    "constant 3 Specular 0.9 0.9 0.9 0.75\n"
    "API(common)\n"
    "ps.1.1\n" KORVEL_COMBINER_LIGHTING "tex t3            // gloss texture\n"
    "lrp r0.rgb, c2, t3, r0              // lit colour .. gloss by Lerp\n"
    "mad r0.rgb, r1, " KORVEL_SPEC_C3 ", r0\n"
    "+mov r0.a, c0.a\n";

const char* const kBumpGlossSpot = "// Bump map with gloss, spot light (no stage 3).\n"
                                   "version 1.1\n"
                                   "constant 0 LightDiff 0 0 0 1\n"
                                   "constant 1 LightAmb 0 0 0 1\n"
                                   "constant 2 Lerp 0 0 1 1\n"
                                   "constant 3 Specular 0.9 0.9 0.9 0.75\n"
                                   "API(common)\n"
                                   "ps.1.1\n" KORVEL_COMBINER_LIGHTING "mad r0.rgb, r1, " KORVEL_SPEC_C3 ", r0\n"
                                   "+mov r0.a, c0.a\n";

const char* const kBumpRustParallel = "// Bump map whose base turns to RustColor where the base alpha is low.\n"
                                      "version 1.1\n"
                                      "constant 0 LightDiff 0 0 0 1\n"
                                      "constant 1 LightAmb 0 0 0 1\n"
                                      "constant 2 RustColor 0 0 1 1\n"
                                      "constant 3 Specular 0.9 0.9 0.9 0.75\n"
                                      "API(common)\n"
                                      "ps.1.1\n"
                                      "tex t0\n"
                                      "tex t1\n"
                                      "texcoord t2\n"
                                      "mul_sat t3.a, 1-t0.a, c2.a          // rust weight\n"
                                      "lrp t0.rgb, t3.a, c2, t0            // base toward RustColor\n"
                                      "dp3_sat r1, t1_bx2, t2_bx2\n"
                                      "dp3_sat r0, t1_bx2, v0_bx2\n"
                                      "mad_sat r0.rgb, r0, c0, c1\n"
                                      "mul_x2 r0.rgb, r0, t0\n"
                                      "mul r1, r1, r1\n"
                                      "mul r1, r1, r1\n"
                                      "sub_x4_sat r1, r1, c3.a\n"
                                      "sub_x4_sat t2.a, t1.b, c3.a\n"
                                      "lrp r1.rgb, t2.a, r1, v1\n"
                                      "mul r1.rgb, r1, c3\n"
                                      "mul r1.rgb, r1, 1-t3.a              // specular x (1 - rust weight)\n"
                                      "add r0.rgb, r0, r1\n"
                                      "+mov r0.a, c0.a\n";

#undef KORVEL_COMBINER_LIGHTING
#undef KORVEL_SPEC_C2
#undef KORVEL_SPEC_C3

const BuiltInProgramText kCombiners[] = {
    {"KorvelBumpMat_ParallelLight", kBumpParallel},   {"KorvelBumpEnvMat_ParallelLight", kBumpEnvParallel},
    {"KorvelBumpEnvMat_SpotLight", kBumpEnvSpot},     {"KorvelBumpGlossMat_ParallelLight", kBumpGlossParallel},
    {"KorvelBumpGlossMat_SpotLight", kBumpGlossSpot}, {"KorvelBumpRustMat_ParallelLight", kBumpRustParallel},
};

}  // namespace

const BuiltInProgramText& BumpVertexPrograms()
{
    static const BuiltInProgramText set = {kBumpVertexProgramSet, kVertexPrograms};
    return set;
}

const BuiltInProgramText* BumpCombiners(int& count)
{
    count = static_cast<int>(sizeof kCombiners / sizeof kCombiners[0]);
    return kCombiners;
}

const char* FindBumpCombinerText(const char* name)
{
    if (!name)
        return nullptr;
    for (const BuiltInProgramText& combiner : kCombiners) {
        if (std::strcmp(combiner.name, name) == 0)
            return combiner.text;
    }
    return nullptr;
}

bool RegisterBumpPrograms(const char* const* combiners, int count)
{
    bool ok = VertexProgramManager::RegisterBuiltInPrograms(kBumpVertexProgramSet, kVertexPrograms);
    for (int i = 0; i < count; ++i) {
        const char* text = FindBumpCombinerText(combiners[i]);
        ok = text && TextureCombinerManager::RegisterBuiltInPrograms(combiners[i], text) && ok;
    }
    return ok;
}

}  // namespace Zel
