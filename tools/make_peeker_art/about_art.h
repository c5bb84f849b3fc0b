// The pictures of the About box: the title wordmark and two lines of text.
#pragma once

#include <string>

#include "indexed_image.h"

// "GLIMMER" in pale gold, heavy and softened, on a deep violet ground with a
// few sparkles: 160 x 21.
IndexedImage DrawTitle();

// One line of dark lettering on pure white, which the dialog keys out.
IndexedImage DrawTextLine(const std::string& text, int width, int height);
