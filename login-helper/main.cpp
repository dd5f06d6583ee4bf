#include "KestrovaHelper/AppDelegate.h"
#include "appkit/NSApplication.h"
#include "appkit/NSApplicationMain.h"
#include "driver/DesktopSession.h"

#include <memory>

namespace {

// The delegate lives as long as the program: the application holds it weakly.
std::shared_ptr<AppDelegate> delegate;

}  // namespace

int main(int argc, char** argv)
{
    // On this machine the program runs on the simulated desktop, played by
    // the driver's session.
    installDesktopSession();
    delegate = std::make_shared<AppDelegate>();
    NSApplication::sharedApplication()->setDelegate(delegate);
    // 0 after a normal run; what the session answers for arguments it can't
    // run with, so that a bad start isn't told as a good one.
    return NSApplicationMain(argc, argv);
}
