#pragma once

#include "foundation/ClassDescriptor.h"
#include "foundation/Id.h"
#include "foundation/Log.h"
#include "foundation/NSException.h"
#include "foundation/NSObject.h"
#include "foundation/NSThread.h"
#include "foundation/Selector.h"
#include "foundation/String.h"
