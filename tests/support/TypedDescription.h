#pragma once

// A value's text with the kind of every part, so that a test sees a Boolean
// that came back as the number 1, or an unsigned number that came back signed.

#include "foundation/Id.h"

#include <cstdio>
#include <string>

inline std::string typedDescription(const Id& value)
{
    switch (value.kind()) {
    case Id::Kind::Nil:
        return "nil";
    case Id::Kind::Null:
        return "null";
    case Id::Kind::Boolean:
        return value.boolValue() ? "b:true" : "b:false";
    case Id::Kind::Signed:
        return "i:" + std::to_string(value.integerValue());
    case Id::Kind::Unsigned:
        return "u:" + std::to_string(value.unsignedValue());
    case Id::Kind::Floating: {
        char text[40];
        std::snprintf(text, sizeof text, "d:%.17g", value.doubleValue());
        return text;
    }
    case Id::Kind::String:
        return "s:'" + value.string()->utf8() + "'";
    case Id::Kind::Data:
        return "data:" + value.description().utf8();
    case Id::Kind::Date: {
        char text[48];
        std::snprintf(text, sizeof text, "date:%.17g", value.date()->timeIntervalSinceReferenceDate());
        return text;
    }
    case Id::Kind::Array: {
        std::string out = "[";
        for (const Id& item : *value.array())
            out += (out.size() > 1 ? ", " : "") + typedDescription(item);
        return out + "]";
    }
    case Id::Kind::Dictionary: {
        std::string out = "{";
        for (const auto& [key, item] : *value.dictionary())
            out += (out.size() > 1 ? ", " : "") + typedDescription(key) + ": " + typedDescription(item);
        return out + "}";
    }
    case Id::Kind::Object:
        return "object:" + value.description().utf8();
    }
    return "?";
}
