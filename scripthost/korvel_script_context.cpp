// KorvelScriptContext: the script world asset scripts run in, with the asset it serves.
#include "scripthost/korvel_script_context.h"

#include "script/vm/gs_router.h"

KorvelScriptContext::KorvelScriptContext(const KUID& asset) : GSContext(new GSRuntime::GSRouter, false), asset_(asset)
{}

KorvelScriptContext::~KorvelScriptContext() = default;

SoupHandle KorvelScriptContext::SystemCall(const Zel::PString& /*name*/, const SoupHandle& soup)
{
    soup.Log();
    return SoupHandle();
}

bool KorvelScriptContext::OpenURL(const Zel::PString& /*address*/)
{
    return false;
}
