// The conversion context: the printer model and the messages of one context.
#include "legacy/Context.h"

#include "legacy/Messages.h"
#include "legacy/Printer.h"

namespace kv {

// The printer model. The system printers given by RestartPrinter are declared first so that they
// outlive the model that refers to them.
struct TConversionContext::TPrinterState {
  std::unique_ptr<TSystemPrinters> System;
  std::unique_ptr<TkvPrinter> Printer;
  std::int32_t DefaultPaper = -1;
  bool Ready = false;
  // The paper settings of the model right after its start.
  std::int32_t StartPaper = 0, StartWidth = 0, StartHeight = 0, StartBin = 0;
  std::uint8_t StartOrientation = 0;

  void Remember() {
    StartPaper = Printer->CurrentPaper;
    StartWidth = Printer->CurrentWidth;
    StartHeight = Printer->CurrentHeight;
    StartBin = Printer->CurrentBin;
    StartOrientation = Printer->CurrentOrientation;
  }
  void Recall() {
    Printer->CurrentPaper = StartPaper;
    Printer->CurrentWidth = StartWidth;
    Printer->CurrentHeight = StartHeight;
    Printer->CurrentBin = StartBin;
    Printer->CurrentOrientation = StartOrientation;
  }

  void Start(std::unique_ptr<TSystemPrinters> system,
             const std::function<std::string(int id)>* localizer) {
    Ready = false;
    Printer.reset();
    System = std::move(system);
    DefaultPaper = -1;
    try {
      Printer = std::make_unique<TkvPrinter>(localizer);
      DefaultPaper = StartPrinter(*Printer, System ? *System : NoSystemPrinters());
      Remember();
    } catch (...) {
    }
    Ready = true;
  }
};

TConversionContext::TConversionContext(int codePage, char decimalSeparator)
    : CodePage(codePage),
      DecimalSeparator(decimalSeparator),
      PrinterState(std::make_unique<TPrinterState>()) {}

TConversionContext::~TConversionContext() = default;

TkvPrinter& TConversionContext::Printer() {
  TPrinterState& state = *PrinterState;
  if (!state.Printer) {
    if (!state.Ready) state.Start(nullptr, &MessageLocalizer);
    // Only a failed creation leaves no model; a bare one then serves as the virtual printer.
    if (!state.Printer) {
      state.Printer = std::make_unique<TkvPrinter>(&MessageLocalizer);
      state.Remember();
    }
  }
  return *state.Printer;
}

std::int32_t TConversionContext::DefaultPaper() {
  Printer();
  return PrinterState->DefaultPaper;
}

bool TConversionContext::PrinterReady() {
  Printer();
  return PrinterState->Ready;
}

void TConversionContext::RestartPrinter(std::unique_ptr<TSystemPrinters> system) {
  PrinterState->Start(std::move(system), &MessageLocalizer);
}

void TConversionContext::StartConversion() {
  Printer();
  PrinterState->Recall();
}

std::string TConversionContext::MessageText(int id) const {
  return kv::MessageText(id, MessageLocalizer);
}

}  // namespace kv
