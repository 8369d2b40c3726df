#pragma once
// Geometry is plain data shared with the model-side view arithmetic, so it
// lives in platform/core; this header keeps the platform spelling working.
#include "system/Geometry.h"
