// The changes of one project file, before and after a run.
#include "app/FileChanges.h"

#include <exception>

#include "app/Workbench.h"
#include "base/Ascii.h"
#include "base/CodePage.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "base/Stream.h"
#include "migrate/ConversionTable.h"
#include "migrate/FormStream.h"
#include "migrate/Journal.h"
#include "migrate/ReplaceEngine.h"
#include "platform/Path.h"

namespace kv {

namespace {

// What a run with the table would change in the file: a dry run of that one file, which writes
// nothing and keeps both texts.
void Preview(const TfrmMain& form, TFileChanges& changes) {
  const std::vector<TPair> pairs = PairsFromLines(form.vleUnits());
  if (pairs.empty()) {
    changes.Note = "The table has no pair to apply.";
    return;
  }
  TConvertOptions options;
  options.DryRun = true;
  options.KeepTexts = true;
  options.Threads = 1;
  options.CodePage = form.Context().CodePage;
  TSourceConverter converter(pairs, options);
  TFileResult result;
  converter.ConvertFiles({changes.Path}, [&](std::size_t, const TFileResult& r) {
    result = r;
    return true;
  });
  if (result.Error) std::rethrow_exception(result.Error);
  if (result.Replacements == 0) {
    changes.Note = "No pair of the table changes this file.";
    return;
  }
  changes.Kind = TFileChanges::TKind::Preview;
  changes.OldText = std::move(result.OldText);
  changes.NewText = std::move(result.NewText);
  changes.BinaryForm = result.BinaryForm;
}

// The original of a file as the run found it, from its backup: a form file's backup that holds a
// binary form becomes its text form, as the run read it.
std::string ReadOriginal(const std::string& path, const std::string& backup, int codePage,
                         bool& binaryForm) {
  std::string text = ReadFileBytes(backup);
  binaryForm = !text.empty() && static_cast<unsigned char>(text[0]) == 0xFF &&
               AsciiUpper(ExtractFileExt(path)) == ".DFM";
  if (binaryForm) {
    TByteView input(text);
    TMemoryStream output;
    FormResourceToText(input, output, codePage);
    text = output.TakeBytes();
  }
  return text;
}

// What the last run changed in the file: its original, kept under the backup name its journal
// names (the first entry of the file, when it was listed twice), against the file as it is now.
// False when the run was undone since, so that there is nothing of it to show.
bool MadeChanges(const TfrmMain& form, TFileChanges& changes) {
  if (form.LastRunJournal.empty()) {
    throw EKvError("The last run left no journal, so its changes cannot be shown");
  }
  const TJournal journal = ReadJournal(form.LastRunJournal);
  if (journal.Undone) return false;
  // The journal holds absolute paths, relative ones taken from the run's working folder.
  const std::string absolute =
      os::IsAbsolute(changes.Path) ? changes.Path : os::Join(journal.WorkingFolder, changes.Path);
  for (const TJournalEntry& entry : journal.Files) {
    if (entry.Path != absolute || entry.Failed) continue;
    if (!FileExists(entry.Backup)) {
      throw EKvError("The backup \"" + entry.Backup + "\" that held the original of \"" +
                     changes.Path + "\" is gone");
    }
    changes.OldText =
        ReadOriginal(absolute, entry.Backup, form.Context().CodePage, changes.BinaryForm);
    bool binaryNow = false;
    TSourceConverter::LoadProjectFile(absolute, changes.NewText, form.Context().CodePage, nullptr,
                                      &binaryNow);
    changes.Kind = TFileChanges::TKind::Made;
    return true;
  }
  throw EKvError("The journal of the last run has no entry for \"" + changes.Path + "\"");
}

}  // namespace

TFileChanges SourceFileChanges(const TfrmMain& form, std::size_t row) {
  TFileChanges changes;
  if (row >= form.SearchList.Rows.size()) return changes;
  const TFileRow& file = form.SearchList.Rows[row];
  changes.Path = file.Caption;
  try {
    const std::string& status = file.Cells[colStatus - 1];
    if (status == "Failed") {
      changes.Kind = TFileChanges::TKind::Error;
      changes.Note = file.Error.empty() ? "The last run failed on this file." : file.Error;
      return changes;
    }
    if (status == "Done") {
      if (CellNumber(file.Cells[colReplacements - 1]) == 0) {
        changes.Note = "The last run made no change to this file.";
        return changes;
      }
      if (MadeChanges(form, changes)) return changes;
      Preview(form, changes);
      if (changes.Kind == TFileChanges::TKind::Preview) {
        changes.Note = "The last run was undone; this is what a run would change now.";
      }
      return changes;
    }
    Preview(form, changes);
    if (status == "Undone" && changes.Kind == TFileChanges::TKind::Preview) {
      changes.Note = "The last run was undone; this is what a run would change now.";
    }
  } catch (const std::exception& e) {
    changes = TFileChanges{TFileChanges::TKind::Error, file.Caption, {}, {}, false, e.what()};
  }
  return changes;
}

}  // namespace kv
