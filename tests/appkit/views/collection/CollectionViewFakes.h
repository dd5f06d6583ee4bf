#pragma once

#include "appkit/NSCollectionView.h"
#include "appkit/NSCollectionViewGridLayout.h"
#include "appkit/NSCollectionViewItem.h"

#include <memory>
#include <string>
#include <vector>

// An item that writes down what is done to it.
class RecordingItem : public NSCollectionViewItem {
    KS_OBJECT(RecordingItem, NSCollectionViewItem)
public:
    int reuses = 0;
    std::vector<bool> selections;

    void prepareForReuse() override
    {
        NSCollectionViewItem::prepareForReuse();
        ++reuses;
    }
    void setSelected(bool selected) override
    {
        NSCollectionViewItem::setSelected(selected);
        selections.push_back(selected);
    }
};

// Sections of items made from the identifier "Row", each item told its index
// path as its represented object ("section-item"). Writes down every
// question it is asked.
class CountingDataSource : public NSCollectionViewDataSource {
public:
    explicit CountingDataSource(std::vector<NSInteger> counts, bool answersSections = true)
        : counts(std::move(counts))
        , answersSections(answersSections)
    {
    }

    std::vector<NSInteger> counts;
    bool answersSections;
    std::vector<std::string> asked;

    NSInteger numberOfSectionsInCollectionView(NSCollectionView& view) override
    {
        if (!answersSections)
            return NSCollectionViewDataSource::numberOfSectionsInCollectionView(view);
        asked.push_back("sections");
        return NSInteger(counts.size());
    }
    NSInteger collectionViewNumberOfItemsInSection(NSCollectionView&, NSInteger section) override
    {
        asked.push_back("count " + std::to_string(section));
        return section < NSInteger(counts.size()) ? counts[std::size_t(section)] : 0;
    }
    std::shared_ptr<NSCollectionViewItem>
    collectionViewItemForRepresentedObjectAtIndexPath(NSCollectionView& view, const NSIndexPath& indexPath) override
    {
        asked.push_back("item " + indexPath.description().utf8());
        auto item = view.makeItemWithIdentifier("Row", indexPath);
        item->setRepresentedObject(Id(indexPath.description()));
        return item;
    }
};

// One column of rows of the given height, as wide as the view.
inline std::shared_ptr<NSCollectionViewGridLayout> rowLayout(CGFloat rowHeight)
{
    auto layout = std::make_shared<NSCollectionViewGridLayout>();
    layout->setMaximumNumberOfColumns(1);
    layout->setMinimumItemSize({10, rowHeight});
    return layout;
}

// A list of rows 200 wide, with RecordingItem registered for "Row".
inline std::shared_ptr<NSCollectionView> rowList(const std::shared_ptr<CountingDataSource>& source, CGFloat height,
                                                 CGFloat rowHeight = 50)
{
    auto view = std::make_shared<NSCollectionView>(NSMakeRect(0, 0, 200, height));
    view->setCollectionViewLayout(rowLayout(rowHeight));
    view->registerClass<RecordingItem>("Row");
    view->setDataSource(source);
    return view;
}

// The represented objects of items, in order.
inline std::vector<std::string> shown(const std::vector<std::shared_ptr<NSCollectionViewItem>>& items)
{
    std::vector<std::string> texts;
    for (const auto& item : items)
        texts.push_back(item->representedObject().string() ? item->representedObject().string()->utf8() : "?");
    return texts;
}
