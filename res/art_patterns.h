// Thumbnails of the generator's test patterns, drawn in code.
#pragma once

#include "platform/ui/types.h"

// The thumbnail of pattern bitmap id (137..197 of the pattern page) at the given size (45 x 31
// when 0). An unknown id gives a null image.
ui::Image LoadPatternThumbnail(int id, int width = 0, int height = 0);
