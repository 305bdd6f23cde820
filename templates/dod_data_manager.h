// The process-wide template data manager that start-up creates and binds to the engine.
#pragma once

#include "zel/pstring.h"

struct AppContext;

namespace DODLib {

class DataManager {
public:
    // Creates the manager with its data folder (program folder + "DODData/");
    // true.
    static bool Initialise(const char* dataFolder);
    // The manager, set up on first use. Without one the process ends through
    // FatalError.
    static DataManager* Instance();
    // Destroys the manager; nothing when there is none.
    static void Shutdown();

    // Loads one dummy material per renderer vertex type; failures are
    // logged, not returned.
    static void RegisterKorvelBumpVertexType();
    // Releases those materials; nothing when there is no manager.
    static void ReleaseBumpVertexTypes();

    virtual ~DataManager() = default;
    // Keeps the engine objects of the record for the template preview. The
    // caller ignores the result.
    virtual bool InitialiseRenderContext(AppContext& context);

    const Zel::PString& GetDataFolder() const { return dataFolder_; }

private:
    explicit DataManager(const char* dataFolder) : dataFolder_(dataFolder) {}
    void SetUpOnFirstUse();

    Zel::PString dataFolder_;
    bool setUp_ = false;
    AppContext* context_ = nullptr;
};

}  // namespace DODLib
