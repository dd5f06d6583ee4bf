#include "driver/DesktopSession.h"

#include <iostream>
#include <memory>

namespace {

// A program built for this machine runs on the simulated desktop: the
// session is in place before its main function hands over to the
// framework. The programs link every object file of this library for it.
const bool installedAtLoad =
    (NSApplicationEnvironment::install(std::make_shared<DesktopSession>(std::cout, std::cin)), true);

}  // namespace
