#pragma once

// The engine's async runtime in one include.
#include "Cancelled.h"
#include "Continuation.h"
#include "Locked.h"
#include "Sleep.h"
#include "TaskGroup.h"
#include "TaskHandle.h"
