// The one list of the object families of the report library.
#include "writer/Registration.h"

#include "dialogs/DialogControls.h"
#include "legacy/Report.h"
#include "objects/Band.h"
#include "objects/BarCode.h"
#include "objects/Chart.h"
#include "objects/CheckBox.h"
#include "objects/CrossTab.h"
#include "objects/DatabaseObjects.h"
#include "objects/Line.h"
#include "objects/Memo.h"
#include "objects/Ole.h"
#include "objects/Picture.h"
#include "objects/RichText.h"
#include "objects/Shape.h"
#include "objects/SubReport.h"
#include "writer/DocumentWriter.h"

namespace kv {

void RegisterReportLibrary() {
  InstallDocumentSaver(&WriteDocument);
  // One call per family, in the order of the registry: its Register…() function lives in the
  // family's own header (src/objects, src/dialogs, src/data).
  // Built-in classes, by type code.
  RegisterMemoFamily();       // 0
  RegisterPictureFamily();    // 1
  RegisterBandFamily();       // 2
  RegisterSubReportFamily();  // 3
  RegisterLineFamily();       // 4
  // Add-ins, in the order of the registry.
  RegisterDialogControls();    // label to lookup control
  RegisterDatabaseFamilies();  // tables, queries and databases of the three access layers
  // The report-page add-ins, entries 20 to 27.
  RegisterCrossTabFamily();   // 20
  RegisterRoundRectFamily();  // 21
  RegisterChartFamily();      // 22
  RegisterBarCodeFamily();    // 23
  RegisterShapeFamily();      // 24
  RegisterCheckBoxFamily();   // 25
  RegisterRichTextFamily();   // 26
  RegisterOLEFamily();        // 27
}

}  // namespace kv
