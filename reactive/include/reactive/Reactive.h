#pragma once

// The whole reactive layer in one include.
#include "reactive/CombineLatest.h"
#include "reactive/Disposable.h"
#include "reactive/DisposeBag.h"
#include "reactive/Observable.h"
#include "reactive/Observer.h"
#include "reactive/PublishSubject.h"
#include "reactive/Unit.h"
