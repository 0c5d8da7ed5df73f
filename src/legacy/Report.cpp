// Loading and saving legacy report streams.
#include "legacy/Report.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <optional>

#include "base/Ascii.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Messages.h"
#include "legacy/Primitives.h"
#include "legacy/Printer.h"
#include "platform/Process.h"

namespace kv {

namespace {

constexpr std::uint8_t MarkPage = 255;
constexpr std::uint8_t MarkDictionary = 254;
constexpr std::uint8_t MarkExtension = 253;
constexpr std::uint8_t MarkEnd = 252;
constexpr std::uint8_t WrittenVersion = 25;
// The page index of an object record is one byte.
constexpr int MaxLegacyPages = 256;

// An object record whose end offset does not lie after its start: following it could read the
// same records again and again, so the file counts as damaged.
class EBadEndOffset : public EStreamError {
 public:
  EBadEndOffset() : EStreamError("Invalid object record end offset") {}
};

// Texts of the trailer: a word length and the bytes, no terminator.
std::string ReadTrailerText(TStream& stream) {
  const auto length = static_cast<std::uint16_t>(ReadWord(stream));
  return length == 0 ? std::string() : stream.ReadBytes(length);
}

void WriteTrailerText(TStream& stream, const std::string& text) {
  if (text.size() > 0xFFFF) {
    throw EKvError("A report option of " + std::to_string(text.size()) +
                   " bytes is too long for the legacy layout (at most 65535)");
  }
  WriteWord(stream, static_cast<std::int16_t>(static_cast<std::uint16_t>(text.size())));
  stream.WriteText(text);
}

// Set once at start, before any conversion runs; read by every save in document mode.
std::atomic<TDocumentSaver> DocumentSaver{nullptr};

}  // namespace

void InstallDocumentSaver(TDocumentSaver saver) {
  DocumentSaver.store(saver);
}

double CurrentDateTime() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const std::tm local = os::LocalTime(seconds);
  const auto day =
      year_month_day{year{local.tm_year + 1900}, month{static_cast<unsigned>(local.tm_mon + 1)},
                     std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
  const auto epoch = year_month_day{year{1899}, month{12}, std::chrono::day{30}};
  const double days = static_cast<double>((sys_days{day} - sys_days{epoch}).count());
  const double millis =
      static_cast<double>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  const double secondsOfDay =
      local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + millis / 1000.0;
  return days + secondsOfDay / 86400.0;
}

// ---- TkvPages
// -------------------------------------------------------------------------------------

TkvPage& TkvPages::AddPage() {
  List.push_back(std::make_unique<TkvPage>(Report.Context(), Report.Context().DefaultPaper(), 0, 0, -1, 0));
  return *List.back();
}

void TkvPages::Delete(int index) {
  if (index >= 0 && index < Count()) List.erase(List.begin() + index);
}

void TkvPages::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  auto page = std::move(List[static_cast<std::size_t>(from)]);
  List.erase(List.begin() + from);
  List.insert(List.begin() + to, std::move(page));
}

void TkvPages::LoadPageBlock(TStream& stream) {
  TLoadState& state = Report.Context().Load;
  Report.ClearReport();
  Report.IgnoreStoredPrinter = ReadWord(stream) != 0;
  Report.TwoPass = ReadWord(stream) != 0;
  std::string printer = ReadStoredString(stream, state.LegacyVersion);
  if (printer == "\x01") printer = Report.Context().MessageText(55007);
  Report.SelectPrinterByName(printer);

  bool done = false;
  while (!done && stream.Position() < stream.Size()) {
    const std::uint8_t marker = ReadByte(stream);
    switch (marker) {
      case MarkPage:
        AddPage().LoadPageRecord(stream);
        break;
      case MarkDictionary:
        Report.Dictionary.LoadDictionary(stream);
        break;
      case MarkExtension:
        // No extension is installed: the byte after the marker is skipped and the block ends.
        ReadByte(stream);
        done = true;
        break;
      case MarkEnd:
        done = true;
        break;
      default:
        if (marker > TypeAddIn) throw EStreamError("");
        ReadObjectRecord(stream, marker);
        break;
    }
  }
  if (state.MissingClassFlag) throw EClassNotFound(state.MissingClasses);
  for (const auto& page : List) {
    for (const auto& object : page->ObjectList) object->AfterLoad();
  }
}

namespace {

// The class names of the built-in type codes, for the notes on records that were skipped.
std::string BuiltInClassName(int typeCode) {
  static const char* const names[] = {"TkvMemoView", "TkvPictureView", "TkvBandView",
                                      "TkvSubReportView", "TkvLineView"};
  if (typeCode >= 0 && typeCode <= 4) return names[typeCode];
  return "type code " + std::to_string(typeCode);
}

}  // namespace

void TkvPages::NoteSkipped(TSkippedRecord::TReason reason, int page, const std::string& className) {
  Report.LastLoad.Skipped.push_back(TSkippedRecord{reason, page, className});
}

void TkvPages::ReadObjectRecord(TStream& stream, std::uint8_t marker) {
  TLoadState& state = Report.Context().Load;
  const std::int64_t recordStart = stream.Position() - 1;
  const auto checkedEnd = [&](std::int32_t offset) {
    if (offset != 0 && offset <= recordStart) throw EBadEndOffset();
    return offset;
  };
  std::int32_t endOffset = 0;
  int pageIndex = -1;
  std::string shownClass;  // the record's class, for a note when the record is skipped
  try {
    int typeCode = marker;
    std::string className;
    bool framedMemo = false;
    if (marker == TypeAddIn) {
      className = ReadStoredString(stream, state.LegacyVersion);
      const std::string upper = AsciiUpper(className);
      if (upper == "TKVBDELOOKUPCONTROL" || upper == "TKVIBXLOOKUPCONTROL") {
        className = "TkvDBLookupControl";
      }
      if (upper == "TKVFRAMEDMEMOVIEW") {
        typeCode = TypeMemo;
        className.clear();
        framedMemo = true;
      }
    }
    shownClass = className.empty() ? BuiltInClassName(typeCode) : className;
    pageIndex = ReadByte(stream);
    if (pageIndex >= Count()) {
      throw EStreamError("Object record names page " + std::to_string(pageIndex) +
                         ", which does not exist");
    }
    state.CurrentPage = List[static_cast<std::size_t>(pageIndex)].get();
    std::unique_ptr<TkvView> created = CreateReportObject(Report.Context(), typeCode, className);
    TkvView* object = created.get();
    if (created) {
      state.CurrentPage->ObjectList.push_back(std::move(created));
    } else {
      // Type codes 5 to 9, and built-in classes this program does not hold, create nothing.
      NoteSkipped(TSkippedRecord::NotAvailable, pageIndex, shownClass);
    }
    if (state.LegacyVersion >= 24) endOffset = checkedEnd(ReadInt(stream));
    if (object) {
      try {
        object->LoadLegacy(stream);
      } catch (...) {
        object->AssignProperty("Name", object->Name);
        throw;
      }
      object->AssignProperty("Name", object->Name);
    }
    if (framedMemo) stream.ReadBytes(8);
    if (endOffset != 0) stream.SetPosition(endOffset);
  } catch (const EBadEndOffset&) {
    throw;
  } catch (const EKvError& e) {
    // Only a record the file got wrong is skipped; any other error (no memory left, a fault of
    // the program) ends the load.
    NoteSkipped(dynamic_cast<const EClassNotFound*>(&e) ? TSkippedRecord::NotAvailable
                                                        : TSkippedRecord::Damaged,
                pageIndex, shownClass);
    // Files before version 24 have no end offsets: reading goes on from where it stopped.
    if (state.LegacyVersion <= 23) return;
    if (endOffset == 0) endOffset = checkedEnd(ReadInt(stream));
    stream.SetPosition(endOffset);
  }
}

void TkvPages::SavePageBlock(TStream& stream) {
  // In new-format mode the whole document replaces the page block and nothing else is written.
  if (Report.Context().Load.CurrentReport && Report.Context().Load.CurrentReport->DocumentMode) {
    const TDocumentSaver saver = DocumentSaver.load();
    if (!saver) throw EKvError("No document writer is installed");
    saver(*Report.Context().Load.CurrentReport, stream);
    return;
  }
  if (Count() > MaxLegacyPages) {
    throw EKvError("The report has " + std::to_string(Count()) +
                   " pages; the legacy layout can hold objects for at most 256 pages");
  }
  WriteWord(stream, Report.IgnoreStoredPrinter ? -1 : 0);
  WriteWord(stream, Report.TwoPass ? -1 : 0);
  const TkvPrinter& model = Report.Context().Printer();
  std::string printer;
  if (model.PrinterIndex >= 0 && model.PrinterIndex < static_cast<int>(model.Printers.size())) {
    printer = model.Printers[static_cast<std::size_t>(model.PrinterIndex)];
  }
  if (printer == Report.Context().MessageText(55007)) printer = "\x01";
  WriteLegacyString(stream, printer);
  for (const auto& page : List) {
    WriteByte(stream, MarkPage);
    page->SavePageRecord(stream);
  }
  for (std::size_t p = 0; p < List.size(); ++p) {
    for (const auto& object : List[p]->ObjectList) {
      WriteByte(stream, object->TypeCode);
      if (object->TypeCode == TypeAddIn) WriteLegacyString(stream, object->ClassName());
      WriteByte(stream, static_cast<std::uint8_t>(p));
      const std::int64_t placeholder = stream.Position();
      WriteInt(stream, 0);
      object->SaveLegacy(stream);
      const std::int64_t end = stream.Position();
      stream.SetPosition(placeholder);
      WriteInt(stream, static_cast<std::int32_t>(end));
      stream.Seek(0, TSeekOrigin::soEnd);
    }
  }
  WriteByte(stream, MarkDictionary);
  Report.Dictionary.SaveDictionary(stream);
}

// ---- TkvReport
// ------------------------------------------------------------------------------------

TkvReport::TkvReport(TConversionContext& context, std::string name)
    : TComponent(std::move(name)), Dictionary(context), OwnerContext(&context) {
  ReportFileName = Context().MessageText(55209);
  ResetReportOptions();
}

TkvReport::~TkvReport() {
  // The current page is forgotten by the pages themselves as they go, and only when it is one of
  // this report's: a page of another report stays current.
  if (Context().Load.CurrentReport == this) Context().Load.CurrentReport = nullptr;
}

void TkvReport::SetDataset(TComponent* dataset) {
  if (dataset == DatasetRef) return;
  if (DatasetRef) DatasetRef->RemoveFreeNotification(this);
  DatasetRef = dataset;
  if (DatasetRef) DatasetRef->FreeNotification(this);
}

void TkvReport::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component == DatasetRef) DatasetRef = nullptr;
}

void TkvReport::Message(const std::string& text) {
  if (Prompter) Prompter->ReportMessage(text, Context().MessageText(55206), TMessageIcon::Error);
}

void TkvReport::ResetReportOptions() {
  ReportOptions = TReportOptions{};
  ReportOptions.CreateDate = ReportOptions.LastChange = CurrentDateTime();
  PasswordProtected = false;
  GeneratorVersion = 88;
}

void TkvReport::ClearReport() {
  Pages.Clear();
  Dictionary.ClearDictionary();
  TwoPass = false;
  ResetReportOptions();
  Context().Load.PreparingFlag = false;
}

void TkvReport::SelectPrinterByName(const std::string& name) {
  if (!IgnoreStoredPrinter) {
    TkvPrinter& printer = Context().Printer();
    const auto& names = printer.Printers;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (AsciiUpper(names[i]) == AsciiUpper(name)) {
        printer.SelectPrinter(static_cast<int>(i));
        break;
      }
    }
  }
  PrinterName = name;
}

TkvView* TkvReport::FindObject(const std::string& name) const {
  for (int i = 0; i < Pages.Count(); ++i) {
    if (TkvView* found = Pages.Item(i).FindObjectByName(name)) return found;
  }
  return nullptr;
}

void TkvReport::ReadTrailer(TStream& stream) {
  ReportOptions.Description = ReadTrailerText(stream);
  ReportOptions.Name = ReadTrailerText(stream);
  ReportOptions.Author = ReadTrailerText(stream);
  ReportOptions.VersionMajor = ReadTrailerText(stream);
  ReportOptions.VersionMinor = ReadTrailerText(stream);
  ReportOptions.VersionRelease = ReadTrailerText(stream);
  ReportOptions.VersionBuild = ReadTrailerText(stream);
  const std::string password = ReadTrailerText(stream);
  if (!password.empty()) ReportOptions.Password = HexDecode(password);
  GeneratorVersion = ReadByte(stream);
  PasswordProtected = ReadByte(stream) != 0;
  ReportOptions.CreateDate = ReadDateTime(stream);
  ReportOptions.LastChange = ReadDateTime(stream);
}

void TkvReport::WriteTrailer(TStream& stream) {
  WriteTrailerText(stream, ReportOptions.Description);
  WriteTrailerText(stream, ReportOptions.Name);
  WriteTrailerText(stream, ReportOptions.Author);
  WriteTrailerText(stream, ReportOptions.VersionMajor);
  WriteTrailerText(stream, ReportOptions.VersionMinor);
  WriteTrailerText(stream, ReportOptions.VersionRelease);
  WriteTrailerText(stream, ReportOptions.VersionBuild);
  WriteTrailerText(stream, HexEncode(ReportOptions.Password));
  GeneratorVersion = 88;
  WriteByte(stream, GeneratorVersion);
  WriteByte(stream, PasswordProtected ? 1 : 0);
  WriteDateTime(stream, ReportOptions.CreateDate);
  ReportOptions.LastChange = CurrentDateTime();
  WriteDateTime(stream, ReportOptions.LastChange);
}

void TkvReport::LoadReportStream(TStream& stream) {
  TLoadState& state = Context().Load;
  // The page of the current object record is set by each record of this load alone: none is
  // current before the first one, and none is left current after the load, whatever its end.
  state.CurrentPage = nullptr;
  struct TForgetCurrentPage {
    TLoadState& State;
    ~TForgetCurrentPage() { State.CurrentPage = nullptr; }
  } forgetCurrentPage{state};
  state.PreparingFlag = false;
  Context().Printer();  // the printer model of this thread is ready once it exists
  state.CurrentReport = this;
  Dictionary.ClearDictionary();
  LastLoad = TLoadResult{};
  try {
    if (stream.Remaining() == 0) return;
    state.LegacyVersion = ReadByte(stream);
    LastLoad.Version = state.LegacyVersion;
    if (state.LegacyVersion < 21) {
      state.LegacyVersion = 21;
      stream.SetPosition(0);
    }
  } catch (const EKvError&) {
    return;
  }
  state.MissingClassFlag = false;
  state.MissingClasses.clear();
  if (state.LegacyVersion > 25) {
    LastLoad.Status = TLoadStatus::VersionRefused;
    Message(Context().MessageText(55345));
    return;
  }
  LastLoad.Status = TLoadStatus::Read;
  try {
    try {
      Pages.LoadPageBlock(stream);
    } catch (const EClassNotFound& e) {
      // The objects that were read stay. The trailer after the page block is still read, so
      // that the report keeps its options and a protected report still asks for its password
      // instead of losing its protection along with the missing objects.
      Message("Report contains the following non-plugged components:\r" + std::string(e.what()) +
              "You must include these components into your project.");
    }
    if (stream.Position() < stream.Size()) {
      ReadTrailer(stream);
    } else {
      ResetReportOptions();
    }
    if (PasswordProtected && stream.IsFileStream()) {
      const auto entered = Prompter ? Prompter->AskReportPassword() : std::nullopt;
      if (!entered || *entered != ReportOptions.Password) {
        LastLoad.Status = entered ? TLoadStatus::PasswordWrong : TLoadStatus::PasswordNotGiven;
        ResetReportOptions();
        ReportFileName = Context().MessageText(55209);
        Pages.Clear();
        Pages.AddPage();
      }
    }
  } catch (const EKvError& e) {
    // The library's errors are what a malformed or truncated file raises: the file is not a
    // report this program reads.
    LastLoad.Status = TLoadStatus::Unreadable;
    LastLoad.Detail = e.what();
    Message(Context().MessageText(55345));
    Pages.Clear();
    Pages.AddPage();
  } catch (...) {
    // Any other error (no memory left, a fault of the program) says nothing about the file: it
    // ends the load and goes on to the caller, which fails the conversion with it. The report is
    // left as after an unreadable file, so that it never stands for a file read in part.
    LastLoad.Status = TLoadStatus::Unreadable;
    Pages.Clear();
    Pages.AddPage();
    throw;
  }
}

std::string LoadFailureText(const TLoadResult& result) {
  switch (result.Status) {
    case TLoadStatus::Read:
      return {};
    case TLoadStatus::Empty:
      return "the file is empty";
    case TLoadStatus::VersionRefused:
      return "Unsupported KVF format: file version " + std::to_string(result.Version) +
             " is newer than the versions this program reads (up to 25)";
    case TLoadStatus::Unreadable:
      return "Unsupported KVF format: the file cannot be read as a report" +
             (result.Detail.empty() ? std::string() : " (" + result.Detail + ")");
    case TLoadStatus::PasswordNotGiven:
      return "the report is password-protected and no password was given";
    case TLoadStatus::PasswordWrong:
      return "the password given is not the report's password";
  }
  return {};
}

void TkvReport::SaveReportStream(TStream& stream) {
  TLoadState& state = Context().Load;
  state.CurrentReport = this;
  if (DocumentMode) {
    Pages.SavePageBlock(stream);
    return;
  }
  state.LegacyVersion = WrittenVersion;
  WriteByte(stream, WrittenVersion);
  Pages.SavePageBlock(stream);
  WriteByte(stream, MarkEnd);
  WriteTrailer(stream);
}

// Buffers grown larger than this by an unusually large file or document are let go.
constexpr std::size_t KeptBuffer = std::size_t{4} << 20;

bool TkvReport::LoadReportFile(const std::string& path) {
  // The file is opened straight away; only when that fails is it asked whether there is one.
  std::optional<TFileStream> file;
  try {
    file.emplace(path, std::move(FileBuffer));
  } catch (const EFileError&) {
    if (!FileExists(path)) return false;
    throw;
  }
  TFileStream& stream = *file;
  LoadReportStream(stream);
  if (stream.Bytes().capacity() <= KeptBuffer) FileBuffer = stream.TakeBytes();
  ReportFileName = path;
  return true;
}

void TkvReport::SaveReportFile(const std::string& path) {
  TMemoryStream stream;
  SaveReportStream(stream);
  WriteFileSafely(path, stream.Bytes());
}

std::string DocumentPath(const std::string& path) {
  return ChangeFileExt(path, ".kv3");
}

std::string TkvReport::SaveAsDocument(const std::string& path) {
  const std::string output = DocumentPath(path);
  // The document is built in memory and replaces the output file only when complete.
  DocumentBuffer.clear();
  TMemoryStream stream(std::move(DocumentBuffer));
  DocumentMode = true;
  try {
    SaveReportStream(stream);
  } catch (...) {
    DocumentMode = false;
    throw;
  }
  DocumentMode = false;
  // A document that replaces one is on the disk before it takes its place; a new one has no old
  // content to lose, so a run over many reports does not wait for the disk file by file.
  WriteFileSafely(output, stream.Bytes(), TDiskSync::WhenReplacing);
  if (stream.Bytes().capacity() <= KeptBuffer) DocumentBuffer = stream.TakeBytes();
  return output;
}

void TkvReport::ReadReportForm(TStream& stream) {
  ReadInt(stream);  // the layout version, 25
  FormStream.reset();
  if (StoreInDFM) {
    const std::int32_t size = ReadInt(stream);
    if (size < 0) throw EStreamError("Invalid report data in the form file");
    FormStream = std::make_unique<TMemoryStream>(stream.ReadBytes(static_cast<std::size_t>(size)));
  }
}

void TkvReport::WriteReportForm(TStream& stream) {
  WriteInt(stream, WrittenVersion);
  if (!StoreInDFM) return;
  TMemoryStream report;
  SaveReportStream(report);
  WriteInt(stream, static_cast<std::int32_t>(report.Size()));
  stream.WriteText(report.Bytes());
}

void TkvReport::LoadFromFormStream() {
  if (!FormStream) return;
  std::unique_ptr<TMemoryStream> data = std::move(FormStream);
  data->SetPosition(0);
  LoadReportStream(*data);
}

}  // namespace kv
