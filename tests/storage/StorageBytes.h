#pragma once
// The fuzzers' seeds include the byte helpers from here.
#include "../support/SongBytes.h"
