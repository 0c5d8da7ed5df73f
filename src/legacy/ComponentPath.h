// Component paths and data-field references. Report objects name components outside the report:
// a plain name is a component of the form that owns the report; "Form.Name" a component of a
// form of the application; "Form.Name.Inner" a component owned by that one. A data-field
// reference adds a field name, usually in double quotes: Table1."Name",
// DialogForm.Table1."Name".
#pragma once

#include <string>
#include <string_view>

#include "legacy/Component.h"

namespace kv {

class TConversionContext;

// What a data-field reference needs of a database dataset: whether one of its fields has a name.
// The database tables and queries of the access layer implement it.
class TFieldNames {
 public:
  virtual ~TFieldNames() = default;
  // True when the dataset has a field of that name, ignoring ASCII case.
  virtual bool HasFieldName(std::string_view name) const = 0;
};

// The component a path names, or none. Without a dot: the component of owner (none when owner
// is none) of that name; with dots: the form of the application named by the part before the
// first dot, then its component named by the next part, then (after a second dot) the component
// owned by that one named by the rest. Names compare ignoring ASCII case. Any error during the
// search raises EClassNotFound "Missing " + path. The forms are those of the context.
TComponent* FindComponentByPath(TConversionContext& context, TComponent* owner,
                                std::string_view path);

// A resolved data-field reference: the dataset component found and the field name. It counts as
// resolved when both are there.
struct TFieldReference {
  TComponent* Dataset = nullptr;
  std::string FieldName;
  bool Resolved() const { return Dataset && !FieldName.empty(); }
};

// Resolves a data-field reference against the components of the context's application; the owner
// of the context's current report stands for plain dataset names. The field name is
// kept only when the dataset is a database dataset (one with TFieldNames) whose field names hold
// it, ignoring case. Never raises for a missing form, component or field; a reference that ends
// with a dot resolves nothing.
TFieldReference ResolveFieldReference(TConversionContext& context, std::string_view text);

// The same, for references read one after another (the alias table of a dictionary): when text
// does not itself determine a dataset (it has no dot, or its form or component is missing), its
// field part is tested against remembered instead. A dataset that text does determine becomes
// the new remembered one.
TFieldReference ResolveFieldReference(TConversionContext& context, std::string_view text,
                                      TComponent*& remembered);

}  // namespace kv
