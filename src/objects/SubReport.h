// The subreport view: marks the place where the contents of another page of the same report are
// printed. Its record adds the index of that page; its element names the page as the document
// names pages ("Page1", "Page2", ...).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "legacy/View.h"

namespace kv {

class TkvSubReportView : public TViewClassOf<TkvSubReportView, TkvView, "TkvSubReportView"> {
 public:
  // TypeCode 3, NamePrefix "SubReport".
  explicit TkvSubReportView(TConversionContext& context);

  // The common record, then PageIndex (4 bytes, in every version).
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // The common attributes, then Page="Page<PageIndex + 1>", written as it stands even when no
  // page of the report has that index.
  void SaveToDocument(TDocumentStream& stream) override;
  // A page index that names no page of the current report.
  void DocumentLosses(std::vector<std::string>& losses) const override;

  // The 0-based index, in the report's page list, of the page the subreport prints.
  std::int32_t PageIndex = 0;

 protected:
  // No frame, fill, tag or band-alignment names.
  bool PublishesFrameProperties() const override { return false; }
};

// Registers TkvSubReportView as the class of type code 3.
void RegisterSubReportFamily();

}  // namespace kv
