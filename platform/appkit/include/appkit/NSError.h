#pragma once

#include "appkit/AppKitDefines.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>
#include <optional>

extern const String NSCocoaErrorDomain;
extern const String NSPOSIXErrorDomain;
extern const String NSOSStatusErrorDomain;

// Keys of an error's user information, with the platform's values.
extern const String NSLocalizedDescriptionKey;
extern const String NSLocalizedFailureReasonErrorKey;
extern const String NSLocalizedRecoverySuggestionErrorKey;
extern const String NSUnderlyingErrorKey;

// A run-time failure as a value: a domain, a code and user information.
class NSError : public NSObject {
    KS_OBJECT(NSError, NSObject)

public:
    NSError(String domain, NSInteger code, Dictionary userInfo = {});
    static std::shared_ptr<NSError> errorWithDomain(const String& domain, NSInteger code,
                                                    const Dictionary& userInfo = {});

    const String& domain() const { return domain_; }
    NSInteger code() const { return code_; }
    const Dictionary& userInfo() const { return userInfo_; }

    // The description from the user information, or the platform's generic
    // text naming the domain and code.
    String localizedDescription() const;
    std::optional<String> localizedFailureReason() const;
    std::optional<String> localizedRecoverySuggestion() const;

    bool isEqual(const Id& other) const override;
    std::size_t hash() const override;
    String description() const override;

protected:
    static void describe(ClassDescriptor& d);

private:
    std::optional<String> stringForKey(const String& key) const;

    String domain_;
    NSInteger code_ = 0;
    Dictionary userInfo_;
};
