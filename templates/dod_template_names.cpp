// The interned template names.
#include "templates/dod_template_names.h"

namespace DODLib {

const TemplateNames& Names()
{
    // Never destroyed: containers and tags may outlive static destruction
    // in tests that return from main.
    static const TemplateNames* names = new TemplateNames();
    return *names;
}

}  // namespace DODLib
