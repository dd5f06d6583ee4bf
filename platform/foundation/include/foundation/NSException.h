#pragma once

#include "foundation/String.h"

#include <exception>
#include <memory>
#include <string>

extern const String NSInvalidArgumentException;
extern const String NSInternalInconsistencyException;
extern const String NSRangeException;
extern const String NSUndefinedKeyException;
extern const String NSGenericException;

// A raised exception with the platform's two parts: a name that says what kind
// of failure it is and a reason for the reader.
class NSException : public std::exception {
public:
    NSException(String name, String reason);

    [[noreturn]] static void raise(const String& name, const char* format, ...) __attribute__((format(printf, 2, 3)));

    const String& name() const { return name_; }
    const String& reason() const { return reason_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    String name_;
    String reason_;
    std::string what_;
};

// Where failed assertions go. Each thread has a current handler; the default
// one raises an internal-inconsistency exception. A handler that returns lets
// the caller go on past the failed assertion.
class NSAssertionHandler {
public:
    virtual ~NSAssertionHandler() = default;

    virtual void handleFailure(const char* function, const char* file, int line, const String& description);

    static NSAssertionHandler& currentHandler();
    // Installs a handler for the calling thread; nullptr restores the default.
    static void setCurrentHandler(std::shared_ptr<NSAssertionHandler> handler);
};

// Installs a handler for the scope of a test or a call.
class ScopedAssertionHandler {
public:
    explicit ScopedAssertionHandler(std::shared_ptr<NSAssertionHandler> handler);
    ~ScopedAssertionHandler();
    ScopedAssertionHandler(const ScopedAssertionHandler&) = delete;
    ScopedAssertionHandler& operator=(const ScopedAssertionHandler&) = delete;

private:
    std::shared_ptr<NSAssertionHandler> previous_;
};

// Reports a failed parameter check with the platform's text.
void NSAssertParameterFailure(const char* function, const char* file, int line, const char* condition);
void NSAssertFailure(const char* function, const char* file, int line, const String& description);

#define NSParameterAssert(condition)                                                                                   \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::NSAssertParameterFailure(__func__, __FILE__, __LINE__, #condition);                                      \
    } while (0)

#define NSAssert(condition, description)                                                                               \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::NSAssertFailure(__func__, __FILE__, __LINE__, (description));                                            \
    } while (0)
