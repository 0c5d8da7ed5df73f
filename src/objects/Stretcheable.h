// The base of the views whose height can follow their contents (memo, line, rich text). It adds
// no record payload and no element attributes; it gives the run-time engine three height
// operations, which scripts reach through the method "CALCHEIGHT". Conversion never measures,
// so the heights here are those of the stored object.
#pragma once

#include <cstdint>
#include <string>

#include "legacy/View.h"

namespace kv {

class TkvStretcheable : public TkvView {
 public:
  using TkvView::TkvView;

  // The way the engine draws while it measures the object (run time only).
  std::uint8_t DrawMode = 0;

  // The height the current contents need; "CALCHEIGHT" returns it to scripts.
  virtual std::int64_t CalcHeight() const { return Height; }
  // The height of one line of contents.
  virtual std::int64_t MinHeight() const { return Height; }
  // The height lost when the object is split at a page end.
  virtual std::int64_t RemainHeight() const { return 0; }

  // "CALCHEIGHT", then the methods of TkvView.
  TVariant RunMethod(const std::string& name, const TVariant& argument1, const TVariant& argument2,
                     const TVariant& argument3) override;
};

}  // namespace kv
