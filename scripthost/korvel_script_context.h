// KorvelScriptContext: the script world asset scripts run in, with the asset it serves.
#pragma once

#include "kuid/kuid.h"
#include "script/vm/gs_context.h"

// The least of the host's context that the native classes need: a router of
// its own and the asset whose scripts run here (the null id when none). The
// base natives of "KorvelScriptBase" come with the full context.
class KorvelScriptContext : public GSRuntime::GSContext {
public:
    explicit KorvelScriptContext(const KUID& asset = KUID());
    ~KorvelScriptContext() override;

    const KUID& GetAssetKUID() const { return asset_; }

private:
    KUID asset_;
};
