// The stretcheable base: the height method of scripts.
#include "objects/Stretcheable.h"

#include "base/Ascii.h"

namespace kv {

TVariant TkvStretcheable::RunMethod(const std::string& name, const TVariant& argument1,
                                    const TVariant& argument2, const TVariant& argument3) {
  if (SameTextAscii(name, "CALCHEIGHT")) return CalcHeight();
  return TkvView::RunMethod(name, argument1, argument2, argument3);
}

}  // namespace kv
