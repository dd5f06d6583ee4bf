#pragma once

#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>
#include <vector>

namespace detail {

class BindingObserver;

// The bindings of one object, owned by it. Each binding holds its observed
// object and observes the key path there through a small observer of its
// own, so the bound object's own observeValueForKeyPath stays its own.
class BindingTable {
public:
    struct Binding {
        String name;
        std::shared_ptr<NSObject> observable;
        String keyPath;
        Dictionary options;
        std::shared_ptr<BindingObserver> observer;
        int writingBack = 0;
    };

    explicit BindingTable(NSObject& owner)
        : owner_(owner)
    {
    }
    BindingTable(const BindingTable&) = delete;
    BindingTable& operator=(const BindingTable&) = delete;
    ~BindingTable();

    void bind(const String& name, std::shared_ptr<NSObject> observable, const String& keyPath,
              const Dictionary& options);
    void unbind(const String& name);
    Binding* find(const String& name);

    // Sets the owner's key from the observed value, unless the owner is the
    // one writing it right now.
    void update(Binding& binding);

private:
    static void takeDown(Binding& binding);

    // The table lives inside its owner.
    NSObject& owner_;
    std::vector<std::shared_ptr<Binding>> bindings_;
};

class BindingObserver final : public NSObject {
    KS_OBJECT(BindingObserver, NSObject)
public:
    BindingObserver(BindingTable& table, BindingTable::Binding& binding)
        : table_(&table)
        , binding_(&binding)
    {
    }
    void observeValueForKeyPath(const String& keyPath, NSObject* object, const KeyValueChange& change,
                                void* context) override;
    // Called before the binding goes, so a change already on its way to this
    // observer finds nothing to update.
    void detach()
    {
        table_ = nullptr;
        binding_ = nullptr;
    }

private:
    BindingTable* table_;
    BindingTable::Binding* binding_;
};

}  // namespace detail
