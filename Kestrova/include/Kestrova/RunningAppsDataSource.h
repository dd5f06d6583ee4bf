#pragma once

#include "Kestrova/RunningApp.h"
#include "Kestrova/StoryboardContract.h"
#include "appkit/NSCollectionView.h"
#include "foundation/NSObject.h"

#include <vector>

// What the data sources of the lists of running applications share: one
// section, one item per application. Each list's own source makes its items.
class RunningAppsDataSource : public NSObject, public NSCollectionViewDataSource {
public:
    std::vector<RunningApp> runningApps;

    NSInteger numberOfSectionsInCollectionView(NSCollectionView&) override { return 1; }
    NSInteger collectionViewNumberOfItemsInSection(NSCollectionView&, NSInteger) override
    {
        return NSInteger(runningApps.size());
    }

    // The application of the index path, which must be one of the list's.
    const RunningApp& runningAppAt(const NSIndexPath& indexPath) const { return entryAt(runningApps, indexPath); }
};
