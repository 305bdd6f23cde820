// searchbycategory: lists the assets matching a category filter.
#include "app/commands.h"

int CommandSearchByCategory(ResultsLog& log, const Zel::PString& /*category*/, bool /*includeCargohub*/)
{
    return ReportCommandNotAvailable(log, "searchbycategory");
}
