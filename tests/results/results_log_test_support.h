// Helpers shared by the results-log tests: printing into a string and making asset-id properties.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "results/results_log.h"
#include "foundation/streams/t_buffer.h"
#include "soup/korvel_property.h"

inline std::string PrintToString(ResultsLog& log)
{
    char* data = nullptr;
    size_t size = 0;
    std::FILE* stream = open_memstream(&data, &size);
    PrintResultsLogTo(log, stream);
    std::fclose(stream);
    std::string text(data, size);
    std::free(data);
    return text;
}

inline PropertyHandle AssetProperty(int32_t user, int32_t content, int32_t version)
{
    return PropertyHandle::Adopt(new KorvelPropertyAssetID(AssetIDPropertyName(), user, content, version));
}
