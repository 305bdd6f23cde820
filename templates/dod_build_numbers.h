// The build comparisons of the template checks, one function per formula, on the single-precision build.
#pragma once

namespace DODLib {

// The checks hold build = "korvel-build" (default 1.3) + 0.001. Each rule
// below compares it its own way; they differ at the boundaries on purpose
// (2.89 is "before 2.9" for one rule and not for another), so callers use
// the named rule, never their own arithmetic.

constexpr float DefaultConfigBuild = 1.3f;

// "korvel-build" + 0.001, the build every check of one validation uses.
float CheckBuildFromConfigValue(float korvelBuild);

// (int)(build x 100): track-kind mapping (<= 289), obsolete field types (>= 290).
int TruncatedBuild(float build);
// (int)(build x 100 + 0.1): obsolete-tag versions, ".pm" meshes, compiled
// textures without a source.
int RoundedBuild(float build);
// build x 100 < 310, not truncated: empty strings in "sound" containers.
bool IsBefore31Untruncated(float build);
// build < 2.5: comment tags pass silently.
bool AllowsCommentTags(float build);
// build < 2.89: array sizes are not checked.
bool SkipsArraySizeCheck(float build);
// trunc(build x 100) in double precision < 290: the config is upgraded
// from the old layout before it is checked.
bool NeedsConfigUpgrade(float build);

}  // namespace DODLib
