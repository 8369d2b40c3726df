#pragma once
// Declared with the other menus that only lead to other screens.
#include "screens/PlainMenuViews.h"
