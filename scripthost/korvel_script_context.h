// KorvelScriptContext: the script world asset scripts run in, with the asset it serves.
#pragma once

#include "kuid/kuid.h"
#include "script/vm/gs_context.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"

// The least of the host's context that the native classes need: a router of
// its own and the asset whose scripts run here (the null id when none). A
// host with a shell to ask overrides the system calls.
class KorvelScriptContext : public GSRuntime::GSContext {
public:
    explicit KorvelScriptContext(const KUID& asset = KUID());
    ~KorvelScriptContext() override;

    const KUID& GetAssetKUID() const { return asset_; }

    // KorvelSystemCall: here the soup goes to the log and the answer is the
    // null soup.
    virtual SoupHandle SystemCall(const Zel::PString& name, const SoupHandle& soup);
    // Here no address is ever opened.
    virtual bool OpenURL(const Zel::PString& address);

private:
    KUID asset_;
};
