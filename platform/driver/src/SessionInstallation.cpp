#include "driver/DesktopSession.h"

#include <iostream>
#include <memory>

void installDesktopSession()
{
    NSApplicationEnvironment::install(std::make_shared<DesktopSession>(std::cout, std::cin));
}
