// The data-field attributes of the views whose memo names a database field (picture, barcode,
// check box, rich text): DataSet, the dataset's owner name, "." and its name, and DataField, the
// field's name.
#pragma once

#include <string>
#include <vector>

#include "base/DocumentText.h"
#include "base/Stream.h"
#include "legacy/ComponentPath.h"

namespace kv {

// Appends DataSet and DataField when the reference resolved to a field of a dataset; nothing
// otherwise.
void WriteDataFieldAttributes(TDocumentStream& stream, const TFieldReference& field);
// The same for the first line of a memo, the reference of the barcode, check box and rich text.
void WriteDataFieldAttributes(TDocumentStream& stream, TConversionContext& context,
                              const std::vector<std::string>& memo);

}  // namespace kv
