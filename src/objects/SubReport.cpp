// The subreport view: defaults, the page index in the legacy record and the document element.
#include "objects/SubReport.h"

#include "base/DocumentText.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"
#include "legacy/Report.h"

namespace kv {

TkvSubReportView::TkvSubReportView(TConversionContext& context) : TViewClassOf(context) {
  TypeCode = TypeSubReport;
  NamePrefix = "SubReport";
}

// After the common record:
//   PageIndex   4   signed, 0-based
void TkvSubReportView::LoadLegacy(TStream& stream) {
  TkvView::LoadLegacy(stream);
  PageIndex = ReadInt(stream);
}

void TkvSubReportView::SaveLegacy(TStream& stream) {
  TkvView::SaveLegacy(stream);
  WriteInt(stream, PageIndex);
}

void TkvSubReportView::SaveToDocument(TDocumentStream& stream) {
  TkvView::SaveToDocument(stream);
  // The document names its pages Page1, Page2, ...
  WriteAttribute(stream, "Page", "Page" + std::to_string(std::int64_t{PageIndex} + 1));
}

void TkvSubReportView::DocumentLosses(std::vector<std::string>& losses) const {
  const TkvReport* report = Context().Load.CurrentReport;
  if (!report) return;
  if (PageIndex < 0 || PageIndex >= report->Pages.Count()) {
    losses.push_back("its page index " + std::to_string(PageIndex) +
                     " names no page of the report; the document refers to Page" +
                     std::to_string(std::int64_t{PageIndex} + 1) + " all the same");
  }
}

void RegisterSubReportFamily() {
  RegisterBuiltInClass(TypeSubReport, TkvSubReportView::Class());
}

}  // namespace kv
