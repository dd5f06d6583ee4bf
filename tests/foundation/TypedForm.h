#pragma once

// A value written out with the kind of everything in it, so that a test sees
// a value that came back as another kind ("date 60" read as "real 60", an
// unsigned number read as a signed one), which == lets through.

#include "foundation/Id.h"

#include <string>

inline std::string typedForm(const Id& value)
{
    switch (value.kind()) {
    case Id::Kind::Boolean:
        return value.boolValue() ? "true" : "false";
    case Id::Kind::Signed:
        return "int " + std::to_string(value.integerValue());
    case Id::Kind::Unsigned:
        return "uint " + std::to_string(value.unsignedValue());
    case Id::Kind::Floating:
        return "real " + String::format("%.17g", value.doubleValue()).utf8();
    case Id::Kind::String:
        return "string \"" + value.string()->utf8() + "\"";
    case Id::Kind::Data:
        return "data " + value.description().utf8();
    case Id::Kind::Date:
        return "date " + String::format("%.17g", value.date()->timeIntervalSinceReferenceDate()).utf8();
    case Id::Kind::Array: {
        std::string out = "[";
        for (const Id& item : *value.array())
            out += (out.size() > 1 ? ", " : "") + typedForm(item);
        return out + "]";
    }
    case Id::Kind::Dictionary: {
        std::string out = "{";
        for (const auto& [key, item] : *value.dictionary())
            out += (out.size() > 1 ? ", " : "") + typedForm(key) + ": " + typedForm(item);
        return out + "}";
    }
    default:
        return value.description().utf8();
    }
}
