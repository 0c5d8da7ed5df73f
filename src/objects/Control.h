// The two intermediate bases of dialog-page objects. TkvControl is the base of the dialog
// controls: a view with the button-face fill whose widget a subclass creates, and whose generated
// names also avoid the components of the HostForm. TkvNonVisualControl is the base of the
// database objects: a 28 x 28 control that stands for a platform component owned by the
// HostForm, keeps references read from a file until AfterLoad resolves them, and writes its
// position as a binary property block in its document element.
#pragma once

#include <memory>
#include <string>

#include "base/FormWriter.h"
#include "legacy/Component.h"
#include "legacy/Dictionary.h"
#include "legacy/View.h"

namespace kv {

// A reference to a component that clears itself when the component is destroyed (free
// notification), so that it never dangles, whoever destroys the component first.
class TComponentLink {
 public:
  TComponentLink();
  ~TComponentLink();
  TComponentLink(const TComponentLink&) = delete;
  TComponentLink& operator=(const TComponentLink&) = delete;

  TComponentLink& operator=(TComponent* component);
  TComponent* Get() const;
  TComponent* operator->() const { return Get(); }
  explicit operator bool() const { return Get() != nullptr; }

 private:
  class TWatch;
  std::unique_ptr<TWatch> Watch;
};

class TkvControl : public TViewClassOf<TkvControl, TkvView, "TkvControl"> {
 public:
  // TypeCode 10, FillColor clBtnFace, FrameTyp 0.
  explicit TkvControl(TConversionContext& context);

  // Publishes only "Name", "Left", "Top", "Width", "Height", "Visible" and "Restrictions"; the
  // names of TkvView are assigned and read, and assigning "Visible" also shows or hides the
  // widget.
  static const TPropertyTable<TkvControl>& Properties();

 protected:
  // Shows or hides the widget; the class that creates the widget supplies it.
  virtual void ShowWidget(bool visible) {}
  // The names of the report's objects and of the HostForm's components.
  void ForEachTakenName(const std::function<void(std::string_view)>& visit) const override;
};

class TkvNonVisualControl
    : public TViewClassOf<TkvNonVisualControl, TkvControl, "TkvNonVisualControl"> {
 public:
  // Width and Height 28.
  explicit TkvNonVisualControl(TConversionContext& context);
  // Frees Component when it has an owner (the HostForm).
  ~TkvNonVisualControl() override;

  // Publishes only "Name" and "Restrictions"; the names of TkvControl are assigned and read,
  // and assigning "Name" also renames Component.
  static const TPropertyTable<TkvNonVisualControl>& Properties();
  // The common attributes, then Propdata: the hexadecimal form of the binary property block
  // that WritePropdata writes.
  void SaveToDocument(TDocumentStream& stream) override;

  // The platform component the object stands for: created by the subclass with the HostForm as
  // owner; its name follows the view's name.
  TComponentLink Component;
  // References read from a file (name -> value) until AfterLoad resolves them.
  TkvVariables Fixups;

 protected:
  // The properties of the Propdata block: "pLeft" and "pTop" with Left and Top as integer
  // values. A subclass that has more to store appends it after calling this.
  virtual void WritePropdata(TFormWriter& writer);
};

}  // namespace kv
