#include "telemetry/simple_json.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include <optional>

#include "base/format.h"
#include "net/json_nesting.h"

namespace {

std::optional<std::string> valueText(const rapidjson::Value& value) {
    if (value.IsString()) return std::string(value.GetString(), value.GetStringLength());
    if (value.IsInt()) return std::to_string(value.GetInt());
    if (value.IsBool()) return std::string(value.GetBool() ? "True" : "False");
    return std::nullopt;
}

}  // namespace

void SimpleJSON::parse(const std::string& text) {
    // The answer comes from the network: a deep one is refused before parsing.
    tooDeep_ = false;
    if (const auto at = tooDeepJsonNesting(text)) {
        parseFailed_ = tooDeep_ = true;
        parseMessage_ =
            format("SimpleJson, @%zu: Nesting deeper than %zu levels.", *at, kMaxJsonNesting);
        return;
    }
    rapidjson::Document document;
    document.Parse<rapidjson::kParseIterativeFlag>(text.c_str(), text.size());
    parseFailed_ = document.HasParseError();
    if (parseFailed_) {
        parseMessage_ = format("SimpleJson, @%zu: %s", document.GetErrorOffset(),
                               rapidjson::GetParseError_En(document.GetParseError()));
        return;
    }
    // Anything but an object carries no settings.
    if (!document.IsObject()) return;
    for (auto member = document.MemberBegin(); member != document.MemberEnd(); ++member) {
        const std::optional<std::string> value = valueText(member->value);
        if (!value) continue;
        const std::string name(member->name.GetString(), member->name.GetStringLength());
        auto setter = setters.find(name);
        if (setter != setters.end()) {
            setter->second(*value);
        } else {
            handleUnknownKey(name, *value);
        }
    }
}
