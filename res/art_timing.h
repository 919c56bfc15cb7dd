// The two timing illustrations (bitmaps 184 and 186), drawn in code at any size.
#pragma once

#include "platform/ui/types.h"

// The horizontal (184) or vertical (186) timing illustration at width x height pixels; an
// unknown id gives a null image.
ui::Image LoadTimingArt(int id, int width, int height);
