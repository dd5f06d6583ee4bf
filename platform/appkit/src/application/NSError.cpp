#include "appkit/NSError.h"

const String NSCocoaErrorDomain = "NSCocoaErrorDomain";
const String NSPOSIXErrorDomain = "NSPOSIXErrorDomain";
const String NSOSStatusErrorDomain = "NSOSStatusErrorDomain";

const String NSLocalizedDescriptionKey = "NSLocalizedDescription";
const String NSLocalizedFailureReasonErrorKey = "NSLocalizedFailureReason";
const String NSLocalizedRecoverySuggestionErrorKey = "NSLocalizedRecoverySuggestion";
const String NSUnderlyingErrorKey = "NSUnderlyingError";

NSError::NSError(String domain, NSInteger code, Dictionary userInfo)
    : domain_(std::move(domain))
    , code_(code)
    , userInfo_(std::move(userInfo))
{
}

std::shared_ptr<NSError> NSError::errorWithDomain(const String& domain, NSInteger code, const Dictionary& userInfo)
{
    return std::make_shared<NSError>(domain, code, userInfo);
}

void NSError::describe(ClassDescriptor& d)
{
    d.property<NSError>("domain", [](NSError& e) { return Id(e.domain()); });
    d.property<NSError>("code", [](NSError& e) { return Id::number(e.code()); });
    d.property<NSError>("userInfo", [](NSError& e) { return Id(e.userInfo()); });
    d.property<NSError>("localizedDescription", [](NSError& e) { return Id(e.localizedDescription()); });
}

std::optional<String> NSError::stringForKey(const String& key) const
{
    Id value = userInfo_.objectForKey(key);
    if (const String* text = value.string())
        return *text;
    return std::nullopt;
}

String NSError::localizedDescription() const
{
    if (auto text = stringForKey(NSLocalizedDescriptionKey))
        return *text;
    return String::format("The operation couldn\u2019t be completed. (%s error %ld.)", domain_.utf8().c_str(), code_);
}

std::optional<String> NSError::localizedFailureReason() const
{
    return stringForKey(NSLocalizedFailureReasonErrorKey);
}

std::optional<String> NSError::localizedRecoverySuggestion() const
{
    return stringForKey(NSLocalizedRecoverySuggestionErrorKey);
}

bool NSError::isEqual(const Id& other) const
{
    auto error = other.object<NSError>();
    return error && error->domain_ == domain_ && error->code_ == code_ && error->userInfo_ == userInfo_;
}

std::size_t NSError::hash() const
{
    return domain_.hash() ^ static_cast<std::size_t>(code_);
}

String NSError::description() const
{
    return String::format("Error Domain=%s Code=%ld \"%s\"", domain_.utf8().c_str(), code_,
                          localizedDescription().utf8().c_str());
}
