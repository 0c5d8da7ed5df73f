// The data-field attributes shared by the views that print a database field.
#include "objects/DataField.h"

#include "base/DocumentText.h"

namespace kv {

void WriteDataFieldAttributes(TDocumentStream& stream, const TFieldReference& field) {
  if (!field.Resolved()) return;
  const TComponent* owner = field.Dataset->Owner();
  const std::string path = (owner ? owner->Name : std::string()) + "." + field.Dataset->Name;
  // A component path is a name: written as it stands, short of what would break the document.
  WriteNameAttribute(stream, "DataSet", path);
  WriteTextAttribute(stream, "DataField", field.FieldName);
}

void WriteDataFieldAttributes(TDocumentStream& stream, TConversionContext& context,
                              const std::vector<std::string>& memo) {
  if (memo.empty()) return;
  WriteDataFieldAttributes(stream, ResolveFieldReference(context, memo.front()));
}

}  // namespace kv
