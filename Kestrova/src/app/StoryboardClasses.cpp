#include "Kestrova/StoryboardClasses.h"

#include "Kestrova/AboutViewController.h"
#include "Kestrova/AboutWindow.h"
#include "Kestrova/AppDelegate.h"
#include "Kestrova/AppViewItem.h"
#include "Kestrova/AssignShortcutViewItem.h"
#include "Kestrova/AssignShortcutsViewController.h"
#include "Kestrova/CloseableView.h"
#include "Kestrova/EmbedSegue.h"
#include "Kestrova/MainViewController.h"
#include "Kestrova/MainWindow.h"
#include "Kestrova/MainWindowController.h"
#include "Kestrova/MiniViewController.h"
#include "Kestrova/MyCollectionView.h"
#include "Kestrova/NavigationController.h"
#include "Kestrova/PermissionViewController.h"
#include "Kestrova/PreferencesViewController.h"
#include "Kestrova/WelcomeWindow.h"
#include "Kestrova/WelcomeWindowController.h"
#include "Kestrova/WindowViewItem.h"
#include "Kestrova/WindowsViewController.h"
#include "appkit/NSStoryboard.h"
#include "foundation/NSValueTransformer.h"
#include "shortcut-library/SRKeyBindingTransformer.h"
#include "shortcut-library/SRRecorderControl.h"
#include "shortcut-library/SRShortcutController.h"

void registerStoryboardClasses()
{
    // The application scene.
    NSStoryboard::registerClass<AppDelegate>();
    // The global-shortcut controller, and the transformer its content binding
    // names: the stored key-binding string becomes the controller's shortcut.
    NSStoryboard::registerClass<SRShortcutController>();
    NSValueTransformer::setValueTransformer(SRKeyBindingTransformer::create(), "SRKeyBindingTransformer");

    // The main window and its navigation.
    NSStoryboard::registerClass<MainWindow>();
    NSStoryboard::registerClass<MainWindowController>();
    NSStoryboard::registerClass<NavigationController>();
    NSStoryboard::registerClass<CloseableView>();
    NSStoryboard::registerSegueClass<EmbedSegue>();

    // The scenes around the switcher.
    NSStoryboard::registerClass<MainViewController>();
    NSStoryboard::registerClass<MiniViewController>();
    NSStoryboard::registerClass<WindowsViewController>();
    NSStoryboard::registerClass<MyCollectionView>();
    // The owners the rows' nibs name.
    NSStoryboard::registerClass<AppViewItem>();
    NSStoryboard::registerClass<WindowViewItem>();
    NSStoryboard::registerClass<PermissionViewController>();
    NSStoryboard::registerClass<WelcomeWindow>();
    NSStoryboard::registerClass<WelcomeWindowController>();
    NSStoryboard::registerClass<AboutWindow>();
    NSStoryboard::registerClass<AboutViewController>();
    NSStoryboard::registerClass<PreferencesViewController>();
    NSStoryboard::registerClass<AssignShortcutsViewController>();
    // The owner the assign-shortcuts row's nib names, and its recorder.
    NSStoryboard::registerClass<AssignShortcutViewItem>();
    NSStoryboard::registerClass<SRRecorderControl>();
}
