#pragma once

// Everything of the Carbon stand-in: the Event Manager's hot keys and
// handlers, and the system's symbolic hot keys.

#include "carbon/CarbonEvents.h"
#include "carbon/SymbolicHotKeys.h"
