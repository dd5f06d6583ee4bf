#include "appkit/NSAppearance.h"
#include "appkit/NSParagraphStyle.h"
#include "drawing/TextLayout.h"

#include <functional>
#include <list>
#include <unordered_map>
#include <vector>

namespace detail {

namespace {

// Enough for every label of a list of a few dozen applications, measured
// and drawn.
constexpr std::size_t kKeptLayouts = 256;

// What a layout is made from, compared by value.
struct TextKey {
    String text;
    std::vector<NSAttributedString::Run> runs;
    TextLayoutRequest request;
    bool forDrawing = false;
    // Colours of the system resolve in the drawing appearance.
    std::shared_ptr<NSAppearance> appearance;
    std::size_t hash = 0;

    bool operator==(const TextKey& other) const
    {
        if (hash != other.hash || forDrawing != other.forDrawing || !(request == other.request) ||
            appearance != other.appearance || runs.size() != other.runs.size() || text != other.text)
            return false;
        for (std::size_t i = 0; i < runs.size(); ++i)
            if (runs[i].range != other.runs[i].range || !(runs[i].attributes == other.runs[i].attributes))
                return false;
        return true;
    }
};

// The key as the cache keeps it: a paragraph style may be changed in
// place after the text was laid out, so the kept key holds a copy of it.
TextKey kept(TextKey key)
{
    for (auto& run : key.runs)
        if (auto style = run.attributes.objectForKey(NSParagraphStyleAttributeName).object<NSParagraphStyle>())
            run.attributes.setObject(Id(style->mutableCopy()), Id(NSParagraphStyleAttributeName));
    return key;
}

struct KeyHash {
    std::size_t operator()(const TextKey& key) const noexcept { return key.hash; }
};

class LayoutCache {
public:
    const TextLayout* find(const TextKey& key)
    {
        auto found = index_.find(key);
        if (found == index_.end())
            return nullptr;
        order_.splice(order_.begin(), order_, found->second);
        return &found->second->second;
    }

    void keep(TextKey key, const TextLayout& layout)
    {
        if (order_.size() >= kKeptLayouts) {
            index_.erase(order_.back().first);
            order_.pop_back();
        }
        order_.emplace_front(kept(std::move(key)), layout);
        index_.emplace(order_.front().first, order_.begin());
    }

private:
    // Most recently used first.
    std::list<std::pair<TextKey, TextLayout>> order_;
    std::unordered_map<TextKey, std::list<std::pair<TextKey, TextLayout>>::iterator, KeyHash> index_;
};

}  // namespace

TextLayout layOutText(const NSAttributedString& text, const TextLayoutRequest& request, bool forDrawing)
{
    TextKey key{.text = text.string(),
                .runs = text.runs(),
                .request = request,
                .forDrawing = forDrawing,
                .appearance = forDrawing ? NSAppearance::currentDrawingAppearance() : nullptr,
                .hash = 0};
    key.hash = text.string().hash();
    for (CGFloat value : {request.width, request.height})
        key.hash = key.hash * 31 + std::hash<CGFloat>()(value);
    key.hash = key.hash * 31 + (std::size_t(request.truncatesLastLine) << 2 |
                                std::size_t(request.followsLineBreakMode) << 1 | std::size_t(forDrawing));

    // One per thread, as the layouts are the thread's pango objects.
    thread_local LayoutCache cache;
    if (const TextLayout* laidOut = cache.find(key))
        return *laidOut;
    TextLayout laidOut = layOutTextAfresh(text, request, forDrawing);
    cache.keep(std::move(key), laidOut);
    return laidOut;
}

}  // namespace detail
