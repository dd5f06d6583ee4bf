// A style's info asset is a file anyone can edit: whatever its text, the
// loader's checks answer a style's info or a clear internal-inconsistency
// exception that names where the document is wrong, and never crash.
//
// Half of the inputs are the document's text as it is; the other half put a
// value read from the input in place of one value of the library's own
// asset, so that the checks deep inside a valid document are reached too.
#include "foundation/Log.h"
#include "foundation/NSException.h"
#include "shortcut-library/SRRecorderControlStyleResourceLoader.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Json = nlohmann::json;

const char* const kAssetName = "sr-fuzz-info";

const Json& shippedInfo()
{
    static const Json* info = [] {
        std::ifstream file(KESTROVA_SOURCE_DIR "/resources/ShortcutLibrary/Assets/sr-mojave-info.json");
        auto* parsed = new Json(Json::parse(file, nullptr, false));
        if (!parsed->is_object())
            std::abort();
        return parsed;
    }();
    return *info;
}

// Every place in the shipped document where a value can be put.
const std::vector<Json::json_pointer>& places()
{
    static const auto* pointers = [] {
        auto* list = new std::vector<Json::json_pointer>{Json::json_pointer("")};
        const Json leaves = shippedInfo().flatten();
        for (const auto& [path, value] : leaves.items()) {
            Json::json_pointer pointer(path);
            for (; !pointer.empty(); pointer = pointer.parent_pointer())
                if (std::find(list->begin(), list->end(), pointer) == list->end())
                    list->push_back(pointer);
        }
        return list;
    }();
    return *pointers;
}

// The first part of every message the checks give: the document itself, a
// top-level key, or a metric's key.
bool namesAKeyPath(const std::string& reason)
{
    static const char* const starts[] = {
        "sr-fuzz-info",
        "supportedComponents",
        "metrics",
        "minSize",
        "labelToCancel",
        "cancelToClear",
        "buttonToAlignment",
        "baselineFromTop",
        "alignmentToLabel",
        "labelToAlignment",
        "baselineLayoutOffsetFromBottom",
        "baselineDrawingOffsetFromBottom",
        "focusRingCornerRadius",
        "focusRingInsets",
        "alignmentInsets",
        "normalLabelAttributes",
        "recordingLabelAttributes",
        "disabledLabelAttributes",
    };
    for (const char* start : starts)
        if (reason.starts_with(start))
            return true;
    // The components' own check of a combination the mask lets through.
    return reason == "None cannot be combined with other accessibility options.";
}

void check(const std::string& text)
{
    try {
        auto info = detail::SRRecorderControlStyleInfoFromData(Data(text.data(), text.size()), kAssetName);
        if (!info || info->supportedComponents().empty() || info->supportedComponents().back()->isSpecified())
            std::abort();
        for (const auto* attributes :
             {&info->metrics().normalLabelAttributes, &info->metrics().recordingLabelAttributes,
              &info->metrics().disabledLabelAttributes})
            if (attributes->count() != 4)
                std::abort();
    } catch (const NSException& e) {
        if (e.name() != NSInternalInconsistencyException || !namesAKeyPath(e.reason().utf8()))
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    places();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) {
        check(rest);
        return 0;
    }
    Json value = Json::parse(rest, nullptr, false);
    if (value.is_discarded())
        value = rest;
    Json document = shippedInfo();
    const auto& where = places()[(data[0] >> 1) % places().size()];
    if (where.empty())
        document = value;
    else
        document[where] = value;
    check(document.dump(-1, ' ', false, Json::error_handler_t::replace));
    return 0;
}
