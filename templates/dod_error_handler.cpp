// The template error collector: one per process, from start-up to shutdown.
#include "templates/dod_error_handler.h"

namespace DODLib {

namespace {
ErrorHandler* errorHandler = nullptr;
}

bool ErrorHandler::Initialise()
{
    if (!errorHandler)
        errorHandler = new ErrorHandler();
    return true;
}

ErrorHandler* ErrorHandler::Instance()
{
    return errorHandler;
}

void ErrorHandler::Shutdown()
{
    delete errorHandler;
    errorHandler = nullptr;
}

}  // namespace DODLib
