// Start-up of the report library in a program: the document writer is installed as the report's
// document saver, and every object family registers its classes with the factory and the add-in
// registry. Both programs, the tests and the fuzz targets call it once, before any report is
// loaded; nothing registers itself, so that the order is fixed and no family is left out by the
// linker.
#pragma once

namespace kv {

// Installs the document writer, then calls each family's registration function: first the
// built-in classes (type codes 0 to 4), then the add-in families in the order of the registry's
// table (dialog controls, database objects of the three access layers, cross-tab, rounded
// rectangle, chart, barcode, shape, check box, rich text, OLE). Calling it again changes nothing.
void RegisterReportLibrary();

}  // namespace kv
