#include "driver/Transcript.h"

#include "ShownViews.h"

#include "appkit/NSApplication.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSCollectionViewItem.h"
#include "appkit/NSWindow.h"

#include <string>
#include <vector>

namespace {

// The texts a row shows, in the order of its views.
std::string rowText(NSCollectionViewItem& item)
{
    std::vector<std::string> texts;
    detail::collectShownTexts(item.view(), texts);
    std::string text;
    for (const auto& part : texts)
        text += (text.empty() ? "" : " \u00b7 ") + part;
    return text.empty() ? std::string("(no text)") : text;
}

}  // namespace

Transcript::ShownList Transcript::shownListNow()
{
    ShownList shown;
    auto application = NSApp();
    auto window = application ? detail::windowLookedAt(*application) : nullptr;
    auto list = window ? detail::shownList(window->contentView()) : nullptr;
    if (!list)
        return shown;
    NSInteger rows = list->numberOfSections() > 0 ? list->numberOfItemsInSection(0) : 0;
    std::string visible;
    for (const auto& indexPath : list->indexPathsForVisibleItems()) {
        if (auto item = list->itemAtIndexPath(indexPath))
            visible += (visible.empty() ? "" : " | ") + rowText(*item);
    }
    shown.rows = "list of " + std::to_string(rows) + (rows == 1 ? " row" : " rows") +
                 (visible.empty() ? std::string() : ": " + visible);
    shown.selection = "nothing";
    for (const auto& indexPath : list->selectionIndexPaths()) {
        auto item = list->itemAtIndexPath(indexPath);
        shown.selection = "row " + std::to_string(indexPath.item() + 1) + (item ? ", " + rowText(*item) : "");
        break;
    }
    return shown;
}

void Transcript::takeList()
{
    ShownList now = shownListNow();
    if (!now.rows.empty()) {
        bool newRows = now.rows != list_.rows;
        if (newRows)
            note(now.rows);
        // A list that comes with nothing selected needs no word of it.
        bool nothing = now.selection == "nothing";
        if (now.selection != list_.selection && !(newRows && nothing))
            note("selected: " + now.selection);
    }
    list_ = std::move(now);
}
