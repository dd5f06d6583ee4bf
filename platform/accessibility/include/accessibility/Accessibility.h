#pragma once

#include "accessibility/AXConstants.h"
#include "accessibility/AXError.h"
#include "accessibility/AXUIElement.h"
#include "accessibility/AXValue.h"
