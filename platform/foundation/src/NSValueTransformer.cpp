#include "foundation/NSValueTransformer.h"

#include "foundation/NSException.h"

#include <algorithm>
#include <mutex>
#include <utility>

const String NSNegateBooleanTransformerName = "NSNegateBoolean";
const String NSIsNilTransformerName = "NSIsNil";
const String NSIsNotNilTransformerName = "NSIsNotNil";

namespace {

class NegateBooleanTransformer final : public NSValueTransformer {
    KS_OBJECT(NegateBooleanTransformer, NSValueTransformer)
public:
    Id transformedValue(const Id& value) override { return Id::boolean(!value.boolValue()); }
    String transformedValueClass() const override { return "NSNumber"; }
};

class IsNilTransformer final : public NSValueTransformer {
    KS_OBJECT(IsNilTransformer, NSValueTransformer)
public:
    explicit IsNilTransformer(bool answerWhenNil)
        : answerWhenNil_(answerWhenNil)
    {
    }
    Id transformedValue(const Id& value) override { return Id::boolean(value.isNil() == answerWhenNil_); }
    bool allowsReverseTransformation() const override { return false; }
    String transformedValueClass() const override { return "NSNumber"; }

private:
    bool answerWhenNil_;
};

struct Registry {
    std::mutex mutex;
    // In order of registration, so that listing the names is deterministic.
    std::vector<std::pair<String, std::shared_ptr<NSValueTransformer>>> entries;
};

Registry& registry()
{
    static auto* r = [] {
        auto* made = new Registry();
        // Literal names: this may run before the name constants are made.
        made->entries.emplace_back("NSNegateBoolean", std::make_shared<NegateBooleanTransformer>());
        made->entries.emplace_back("NSIsNil", std::make_shared<IsNilTransformer>(true));
        made->entries.emplace_back("NSIsNotNil", std::make_shared<IsNilTransformer>(false));
        return made;
    }();
    return *r;
}

}  // namespace

Id NSValueTransformer::transformedValue(const Id& value)
{
    return value;
}

Id NSValueTransformer::reverseTransformedValue(const Id& value)
{
    if (!allowsReverseTransformation())
        NSException::raise(NSInternalInconsistencyException, "%s: reverse value transformation is not supported",
                           className().utf8().c_str());
    return transformedValue(value);
}

void NSValueTransformer::setValueTransformer(std::shared_ptr<NSValueTransformer> transformer, const String& name)
{
    std::shared_ptr<NSValueTransformer> replaced;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = std::find_if(r.entries.begin(), r.entries.end(), [&](const auto& entry) { return entry.first == name; });
    if (it != r.entries.end()) {
        replaced = std::move(it->second);
        if (transformer)
            it->second = std::move(transformer);
        else
            r.entries.erase(it);
    } else if (transformer) {
        r.entries.emplace_back(name, std::move(transformer));
    }
}

std::shared_ptr<NSValueTransformer> NSValueTransformer::valueTransformerForName(const String& name)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const auto& [entryName, transformer] : r.entries) {
        if (entryName == name)
            return transformer;
    }
    return nullptr;
}

std::vector<String> NSValueTransformer::valueTransformerNames()
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::vector<String> names;
    for (const auto& entry : r.entries)
        names.push_back(entry.first);
    return names;
}
