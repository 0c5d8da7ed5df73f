// The legacy report: its pages, its data dictionary, its options, and the legacy file layout that
// stores them (a version byte, the page block with page, object and dictionary records, an end
// marker and a trailer). Loading recovers from damaged and unregistered object records; problems
// of the file end in the library's message boxes, and only errors that are no fault of the file
// (no memory left) escape.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/DocumentText.h"
#include "base/Stream.h"
#include "legacy/Component.h"
#include "legacy/Dictionary.h"
#include "legacy/Page.h"
#include "legacy/ReportPrompter.h"

namespace kv {

class TkvReport;
class TConversionContext;

// Writes a report as a new XML document into a stream. The document writer installs it when the
// report library starts (RegisterReportLibrary); the legacy model itself only stores reports in
// the legacy layout.
using TDocumentSaver = void (*)(TkvReport& report, TStream& stream);
void InstallDocumentSaver(TDocumentSaver saver);

// Descriptive data of a report, kept in the file's trailer.
struct TReportOptions {
  std::string Name, Author, Description;
  std::string VersionMajor, VersionMinor, VersionRelease, VersionBuild;
  std::string Password;                   // plain text
  double CreateDate = 0, LastChange = 0;  // days since 1899-12-30, local time
};

// How the last LoadReportStream ended. Only Read means that the report now holds the file's
// content; every other status leaves a report that must not stand for the file.
enum class TLoadStatus {
  Read,              // the report was read, possibly with skipped object records
  Empty,             // the stream held no byte: the report keeps what it held before
  VersionRefused,    // a file version newer than 25: the report keeps what it held before
  Unreadable,        // the page block or the trailer could not be read
  PasswordNotGiven,  // protected, and no password was given (or the dialog was cancelled)
  PasswordWrong,     // protected, and the password given was not the report's
};

// An object record that a load did not turn into a whole object.
struct TSkippedRecord {
  enum TReason {
    Damaged,       // the record could not be read; its object, if any, keeps what was read
    NotAvailable,  // no class of this program converts the record's class
  };
  TReason Reason = Damaged;
  int Page = -1;          // page index named by the record; -1 when it was not read
  std::string ClassName;  // the record's class, when known
};

// What the last load did.
struct TLoadResult {
  TLoadStatus Status = TLoadStatus::Empty;
  std::uint8_t Version = 0;             // the file version byte, once read
  std::string Detail;                   // the error that made the file unreadable
  std::vector<TSkippedRecord> Skipped;  // in file order
  bool Read() const { return Status == TLoadStatus::Read; }
};

// Why a load did not read the report, in words for the user; empty for TLoadStatus::Read.
std::string LoadFailureText(const TLoadResult& result);

// The pages of a report, in page order; a page's position is its page index.
class TkvPages {
 public:
  explicit TkvPages(TkvReport& report) : Report(report) {}

  int Count() const { return static_cast<int>(List.size()); }
  TkvPage& Item(int index) { return *List.at(static_cast<std::size_t>(index)); }
  const TkvPage& Item(int index) const { return *List.at(static_cast<std::size_t>(index)); }
  void Clear() { List.clear(); }
  // Appends a page with the default paper.
  TkvPage& AddPage();
  void Delete(int index);
  void Move(int from, int to);
  void LoadPageBlock(TStream& stream);
  void SavePageBlock(TStream& stream);

  TkvReport& Report;

 private:
  void ReadObjectRecord(TStream& stream, std::uint8_t marker);
  void NoteSkipped(TSkippedRecord::TReason reason, int page, const std::string& className);
  std::vector<std::unique_ptr<TkvPage>> List;
};

enum class TPreviewZoom { pzDefault, pzPageWidth, pzOnePage, pzTwoPages };
enum class TReportType { rtSimple, rtMultiple };
enum TPreviewButton : std::uint8_t {
  pbZoom = 1 << 0,
  pbLoad = 1 << 1,
  pbSave = 1 << 2,
  pbPrint = 1 << 3,
  pbFind = 1 << 4,
  pbHelp = 1 << 5,
  pbExit = 1 << 6,
  pbPageSetup = 1 << 7,
};

// The current local date and time as days since 1899-12-30.
double CurrentDateTime();

// The path of the new XML document written for a legacy report file: the file name's extension
// (from its last ".") replaced by ".kv3", or ".kv3" appended when the name has none.
std::string DocumentPath(const std::string& path);

// A component: its owner is the form that holds it (the main window), and its name is the
// component's name.
class TkvReport : public TComponent {
 public:
  // A report belongs to the conversion context it is made in for its whole life; its pages and
  // objects are made in the same context.
  explicit TkvReport(TConversionContext& context, std::string name = "kvReport1");
  ~TkvReport() override;

  TConversionContext& Context() const { return *OwnerContext; }

  std::string ClassName() const override { return "TkvReport"; }

  // Loads a legacy stream. Problems of the file (the library's errors) end in message boxes and
  // LastLoad. Any other error (no memory left) is raised, leaving LastLoad Unreadable and one
  // empty page.
  void LoadReportStream(TStream& stream);
  // Saves as a legacy stream, or through the document writer when DocumentMode is set.
  void SaveReportStream(TStream& stream);
  // False (and nothing changed) when no file exists at path; otherwise loads it and sets
  // ReportFileName. A file that cannot be opened raises EFileError.
  bool LoadReportFile(const std::string& path);
  // Writes the report to path in the legacy layout, replacing the file only when complete.
  void SaveReportFile(const std::string& path);
  // Writes the report as a new XML document beside the legacy file it came from: path with its
  // extension (from the last "." of the file name) replaced by ".kv3", appended when there is
  // none. The document is replaced only when completely written, so a failed save leaves an
  // earlier document in place and no partial file. DocumentMode is set only during the save.
  // Returns the document's path.
  std::string SaveAsDocument(const std::string& path);
  void ClearReport();
  void ResetReportOptions();
  void SelectPrinterByName(const std::string& name);
  TkvView* FindObject(const std::string& name) const;

  // The ReportForm property of a form file: the integer 25 and, when StoreInDFM is set, the
  // report in the legacy layout. Reading keeps that data in FormStream until LoadFromFormStream.
  void ReadReportForm(TStream& stream);
  void WriteReportForm(TStream& stream);
  void LoadFromFormStream();

  TkvPages Pages{*this};
  TkvDataDictionary Dictionary;
  bool IgnoreStoredPrinter = false;
  bool TwoPass = false;
  std::string PrinterName;
  std::string ReportFileName;
  bool DocumentMode = false;
  // The control bytes that the last document written for the report left out of its attribute
  // values, one entry per part and attribute; the document writer replaces it on every document.
  std::vector<TDroppedControls> DroppedControls;
  // What the last LoadReportStream did; a conversion writes a document only when it read the
  // report.
  TLoadResult LastLoad;
  TReportOptions ReportOptions;
  bool PasswordProtected = false;
  std::uint8_t GeneratorVersion = 88;
  std::unique_ptr<TMemoryStream> FormStream;
  // Answers message boxes and the password dialog; without one, messages are dropped and the
  // password counts as cancelled.
  TReportPrompter* Prompter = nullptr;

  // The report dataset (a TkvDataset) the report walks when it has no data band of its own;
  // cleared when that dataset is destroyed.
  TComponent* Dataset() const { return DatasetRef; }
  void SetDataset(TComponent* dataset);

  // Published properties (preparation, preview and printing), with their defaults.
  std::int32_t DefaultCopies = 1;
  bool DefaultCollate = true;
  bool GrayedButtons = false;
  TPreviewZoom InitialZoom = TPreviewZoom::pzDefault;
  bool MDIPreview = false;
  bool ModalPreview = true;
  bool ModifyPrepared = true;
  std::uint8_t PreviewButtons = pbZoom | pbLoad | pbSave | pbPrint | pbFind | pbHelp | pbExit;
  bool PrintIfEmpty = true;
  TReportType ReportType = TReportType::rtSimple;
  bool ShowPrintDialog = true;
  bool ShowProgress = true;
  bool StoreInDFM = false;
  std::string Title;
  bool RebuildPrinter = false;
  bool UseDefaultDataSetName = false;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TkvPages;
  TConversionContext* OwnerContext;
  TComponent* DatasetRef = nullptr;
  // The memory of the last report file read and of the last document written, kept for the
  // next ones so that a run over many reports does not grow buffers from nothing for each.
  std::string FileBuffer;
  std::string DocumentBuffer;
  void Message(const std::string& text);
  void ReadTrailer(TStream& stream);
  void WriteTrailer(TStream& stream);
};

}  // namespace kv
