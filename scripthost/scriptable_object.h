// ScriptableObject: a native game object whose behaviour comes from a script class, set up in stages on its context.
#pragma once

#include <cstdint>
#include <string>

#include "assetdb/pemberlynx_spec.h"
#include "foundation/containers/safe_pointer.h"
#include "kuid/kuid.h"
#include "script/vm/gs_game_object.h"
#include "scripthost/delayed_init.h"
#include "soup/soup_handle.h"

class KorvelScriptContext;
class TStream;
namespace GSRuntime {
class GSClass;
}

// Holder of a script source text. The base holds none.
class ScriptSource : public SafePointerTarget<ScriptSource> {
public:
    virtual ~ScriptSource() = default;
    virtual std::string GetSource() { return std::string(); }
    virtual void SetSource(const std::string& /*text*/) {}
    virtual void WriteSource(TStream& /*stream*/) {}
    virtual void ReadSource(TStream& /*stream*/) {}
};

// Queued on its context when made; stage 2 binds the script class, stage 3
// starts the script. Nothing is reported on failure: owners read HasFailed.
class ScriptableObject : public GSRuntime::GSGameObject, public DelayedInitClient, public ScriptSource {
public:
    // The object's script of its own defines this class.
    static constexpr const char* InitSignature = "$void@KorvelGameObject::Init(Asset)";
    static constexpr const char* SetPropertiesSignature = "$void@PropertyObject::SetProperties(Soup)";

    explicit ScriptableObject(KorvelScriptContext* context);
    ~ScriptableObject() override;

    // The class to bind: the asset spec's script class without a source of the
    // object's own, else the class "CustomObject" compiled from it; null
    // when there is none.
    virtual GSRuntime::GSClass* GetScriptClass();
    virtual bool AcceptScriptClass(GSRuntime::GSClass* cls) { return cls != nullptr; }
    // A reference to the object's spec (a KorvelBaseSpec), or none.
    virtual PemberlynxSpecRef GetSpec() = 0;
    virtual void BeforeInit() {}
    virtual void BeforeInit2() {}
    virtual void AfterInit() {}

    void Stage2() override;
    void Stage3() override;

    // The stored source, else the stub that would be generated.
    std::string GetSource() override;
    // Leading blanks and line ends are skipped; a text of only those clears
    // the source. A changed source restarts a started script in place.
    void SetSource(const std::string& text) override;
    void WriteSource(TStream& stream) override;
    void ReadSource(TStream& stream) override;

    // Failed stays set when no class binds; a class change needs a second
    // binding (the first only detaches the old instance).
    void BindScriptClass();
    void StartScript();
    // Gives the pending properties to the script once.
    void ApplyProperties();
    // Properties for the script when it starts (or at once when it runs).
    void SetPendingProperties(const SoupHandle& properties);
    KUID GetSpecKUID();

    bool HasFailed() const { return failed_ != 0; }
    KorvelScriptContext* GetOwnerContext() const { return owner_; }
    const std::string& GetStoredSource() const { return sourceText_; }

protected:
    void SetFailed() { failed_ = 1; }
    // Calls a method of the script instance taking one object; false when
    // there is no instance or the call fails.
    bool CallWithObject(const char* signature, const GSRuntime::GSObject* argument);
    // SetProperties of the script with a new Soup object over the soup.
    bool GiveProperties(const SoupHandle& properties);

private:
    // The stub's class compiled from the stored source; null on any failure.
    GSRuntime::GSClass* CompileOwnSource();
    void StoreSourceAndRestart(const std::string& text);

    KorvelScriptContext* owner_;
    uint8_t failed_ = 0;
    uint8_t propertiesPending_ = 0;
    SoupHandle properties_;
    std::string sourceText_;
};
