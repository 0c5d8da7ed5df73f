// A page picture written as SVG straight from its display list, without Qt: the same layout as the
// Qt painter draws (paper and margins, band strips, every item, coloured corners on items with
// notes, the numbered legend), with the text laid out by the browser that shows it. It serves the
// migration summary, where a picture per page of hundreds of reports must cost little, and where
// a build without the Qt module must have pictures too. Word wrapping and the legend's height are
// estimated from the font size, since no font metrics are at hand.
#pragma once

#include <string>

#include "writer/PagePicture.h"

namespace kv {

std::string PagePictureSvg(const TPagePicture& picture);

}  // namespace kv
