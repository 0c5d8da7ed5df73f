// The conversion context: everything a load, a save or a conversion of a legacy report changes or
// reads besides the report itself. A report, its pages and their objects belong to one context
// and reach it through their owner (each is made with it); nothing reaches it through a global.
// One context serves one thread at a time, so conversions on several threads, each with its own
// context, never meet. To one conversion the context is the whole process: the names the
// library's documentation calls process-wide (LegacyVersion, CurrentReport, HostForm, the printer
// model, NextObjectId, ...) live here.
//
// What stays process-wide is only what is fixed once the program has started: the add-in
// registry and its families (Factory.h), the document saver the writer installs (Report.h), the
// text measurer of labels (dialogs/TextMeasurer.h).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "legacy/Component.h"
#include "legacy/LoadState.h"

namespace kv {

class TkvPrinter;
class TSystemPrinters;

class TConversionContext {
 public:
  // codePage: the code page of the texts of the reports (1252 unless configured); decimal
  // separator: the one floating-point values take in new documents.
  explicit TConversionContext(int codePage = 1252, char decimalSeparator = '.');
  ~TConversionContext();
  TConversionContext(const TConversionContext&) = delete;
  TConversionContext& operator=(const TConversionContext&) = delete;

  // The state of the load or save in progress (one at a time in a context).
  TLoadState Load;

  // The application's forms and the hidden form "DialogForm" that owns what the database objects
  // of a loaded report create.
  TApplication Application;
  TForm& HostForm() { return Application.HostForm(); }

  // The printer model, created and started against no system printers on first use.
  TkvPrinter& Printer();
  // Paper id given to new pages.
  std::int32_t DefaultPaper();
  // True once the model has been started (on every path, also after an error).
  bool PrinterReady();
  // Replaces the model by a new one, started against system (no printers when null).
  void RestartPrinter(std::unique_ptr<TSystemPrinters> system = nullptr);

  // Before a conversion: the paper of the printer model goes back to what it was once the model
  // had started, so that a report's document never depends on the reports converted before it in
  // the same context (a page asks for its paper, and a model that holds that paper already keeps
  // the size it had).
  void StartConversion();

  // The running number of the objects created in this context; starts at 0, never reset.
  std::int32_t NextObjectId = 0;

  // The code page of the texts (a byte string of the model is text in it), and the decimal
  // separator of floating-point values in new documents.
  int CodePage;
  char DecimalSeparator;

  // The library's numbered messages (MessageText of Messages.h), unless the localizer, when set,
  // answers with a text that is not empty.
  std::function<std::string(int id)> MessageLocalizer;
  std::string MessageText(int id) const;

  // The captions of cross-tab views ("Grand total", "Total", "Total of ", "Cell", "Header"),
  // refreshed from the messages by every cross-tab view made in this context.
  std::array<std::string, 5> CrossTabCaptions;

 private:
  struct TPrinterState;
  std::unique_ptr<TPrinterState> PrinterState;
};

}  // namespace kv
