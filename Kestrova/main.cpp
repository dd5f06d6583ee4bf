#include "Kestrova/StoryboardClasses.h"
#include "appkit/NSApplicationMain.h"
#include "driver/DesktopSession.h"

int main(int argc, char** argv)
{
    // On this machine the program runs on the simulated desktop, played by
    // the driver's session.
    installDesktopSession();
    registerStoryboardClasses();
    return NSApplicationMain(argc, argv);
}
