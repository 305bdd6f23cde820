// The process-wide template error collector that start-up creates and shutdown destroys.
#pragma once

namespace DODLib {

class ErrorHandler {
public:
    // Creates the collector (an empty message list); true.
    static bool Initialise();
    // The collector, or null before Initialise and after Shutdown.
    static ErrorHandler* Instance();
    // Destroys the collector; nothing when there is none.
    static void Shutdown();

    virtual ~ErrorHandler() = default;
};

}  // namespace DODLib
