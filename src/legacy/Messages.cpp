// The report library's numbered messages: a built-in table sorted by id and an optional
// localisation callback that is asked first.
#include "legacy/Messages.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string_view>

namespace kv {

namespace {

constexpr std::size_t MaxMessageLength = 1023;

struct TMessageEntry {
  int Id;
  std::string_view Text;
};

// Sorted by id for the binary search in MessageText.
constexpr TMessageEntry BuiltInMessages[] = {
    // Buttons, the virtual printer.
    {55000, "OK"},
    {55001, "Cancel"},
    {55007, "Virtual printer"},
    // Paper names, one per row of the virtual printer's paper table.
    {55008, "Letter, 8 1/2 x 11\""},
    {55009, "Letter small, 8 1/2 x 11\""},
    {55010, "Tabloid, 11 x 17\""},
    {55011, "Ledger, 17 x 11\""},
    {55012, "Legal, 8 1/2 x 14\""},
    {55013, "Statement, 5 1/2 x 8 1/2\""},
    {55014, "Executive, 7 1/4 x 10 1/2\""},
    {55015, "A3 297 x 420 mm"},
    {55016, "A4 210 x 297 mm"},
    {55017, "A4 small sheet, 210 x 297 mm"},
    {55018, "A5 148 x 210 mm"},
    {55019, "B4 250 x 354 mm"},
    {55020, "B5 182 x 257 mm"},
    {55021, "Folio, 8 1/2 x 13\""},
    {55022, "Quarto Sheet, 215 x 275 mm"},
    {55023, "10 x 14\""},
    {55024, "11 x 17\""},
    {55025, "Note, 8 1/2 x 11\""},
    {55026, "9 Envelope, 3 7/8 x 8 7/8\""},
    {55027, "#10 Envelope, 4 1/8  x 9 1/2\""},
    {55028, "#11 Envelope, 4 1/2 x 10 3/8\""},
    {55029, "#12 Envelope, 4 3/4 x 11\""},
    {55030, "#14 Envelope, 5 x 11 1/2\""},
    {55031, "C Sheet, 17 x 22\""},
    {55032, "D Sheet, 22 x 34\""},
    {55033, "E Sheet, 34 x 44\""},
    {55034, "DL Envelope, 110 x 220 mm"},
    {55035, "C5 Envelope, 162 x 229 mm"},
    {55036, "C3 Envelope,  324 x 458 mm"},
    {55037, "C4 Envelope,  229 x 324 mm"},
    {55038, "C6 Envelope,  114 x 162 mm"},
    {55039, "C65 Envelope, 114 x 229 mm"},
    {55040, "B4 Envelope,  250 x 353 mm"},
    {55041, "B5 Envelope,  176 x 250 mm"},
    {55042, "B6 Envelope,  176 x 125 mm"},
    {55043, "Italy Envelope, 110 x 230 mm"},
    {55044, "Monarch Envelope, 3 7/8 x 7 1/2\""},
    {55045, "6 3/4 Envelope, 3 5/8 x 6 1/2\""},
    {55046, "US Std Fanfold, 14 7/8 x 11\""},
    {55047, "German Std Fanfold, 8 1/2 x 12\""},
    {55048, "German Legal Fanfold, 8 1/2 x 13\""},
    {55049, "B4 (ISO) 250 x 353 mm"},
    {55050, "Japanese Postcard 100 x 148 mm"},
    {55051, "9 x 11\""},
    {55052, "10 x 11\""},
    {55053, "15 x 11\""},
    {55054, "Envelope Invite 220 x 220 mm"},
    {55055, "Letter Extra 9/275 x 12\""},
    {55056, "Legal Extra 9/275 x 15\""},
    {55057, "Tabloid Extra 11.69 x 18\""},
    {55058, "A4 Extra 9.27 x 12.69\""},
    {55059, "Letter Transverse 8/275 x 11\""},
    {55060, "A4 Transverse 210 x 297 mm"},
    {55061, "Letter Extra Transverse 9/275 x 12\""},
    {55062, "SuperASuperAA4 227 x 356 mm"},
    {55063, "SuperBSuperBA3 305 x 487 mm"},
    {55064, "Letter Plus 8.5 x 12.69\""},
    {55065, "A4 Plus 210 x 330 mm"},
    {55066, "A5 Transverse 148 x 210 mm"},
    {55067, "B5 (JIS) Transverse 182 x 257 mm"},
    {55068, "A3 Extra 322 x 445 mm"},
    {55069, "A5 Extra 174 x 235 mm"},
    {55070, "B5 (ISO) Extra 201 x 276 mm"},
    {55071, "A2 420 x 594 mm"},
    {55072, "A3 Transverse 297 x 420 mm"},
    {55073, "A3 Extra Transverse 322 x 445 mm"},
    {55074, "Custom"},
    // Band types.
    {55077, "Report title"},
    {55078, "Report summary"},
    {55079, "Page header"},
    {55080, "Page footer"},
    {55081, "Master header"},
    {55082, "Master data"},
    {55083, "Master footer"},
    {55084, "Detail header"},
    {55085, "Detail data"},
    {55086, "Detail footer"},
    {55087, "Subdetail header"},
    {55088, "Subdetail data"},
    {55089, "Subdetail footer"},
    {55090, "Overlay"},
    {55091, "Column header"},
    {55092, "Column footer"},
    {55093, "Group header"},
    {55094, "Group footer"},
    {55095, "Cross header"},
    {55096, "Cross data"},
    {55097, "Cross footer"},
    {55098, "Child"},
    {55099, "None"},
    // Display formats: boolean, date and time.
    {55170, "0;1"},
    {55171, "No;Yes"},
    {55172, "_;x"},
    {55173, "False;True"},
    {55175, "mm.dd.yy"},
    {55176, "mm.dd.yyyy"},
    {55177, "d mmm yyyy"},
    {55178, "d mmmm yyyy"},
    {55179, "hh:nn:ss"},
    {55180, "h:nn:ss"},
    {55181, "hh:nn"},
    {55182, "h:nn"},
    // A memo menu entry, the error caption, the name of an unsaved report.
    {55190, "Stretched"},
    {55206, "Error"},
    {55209, "Untitled"},
    // Designer hints of the add-in objects.
    {55222, "Insert OLE object"},
    {55223, "Insert RichText object"},
    {55224, "Insert CheckBox object"},
    {55225, "Insert Chart object"},
    {55226, "Insert Shape object"},
    // Default character set of memo views, barcode texts, a hint, the refused-file message.
    {55337, "1"},
    {55338, "Insert Barcode object"},
    {55339, "Error in barcode"},
    {55344, "Insert an RoundRect with shadow area"},
    {55345, "Unsupported KVF format"},
    // A memo menu entry, the default paper bin.
    {55433, "Text only"},
    {55435, "Default"},
    // Designer hints of the dialog controls and database objects.
    {55450, "Insert Label control"},
    {55451, "Insert Edit control"},
    {55452, "Insert Memo control"},
    {55453, "Insert Button control"},
    {55454, "Insert CheckBox control"},
    {55455, "Insert RadioButton control"},
    {55456, "Insert ListBox control"},
    {55457, "Insert ComboBox control"},
    {55458, "Insert DateEdit control"},
    {55470, "Insert database"},
    {55471, "Insert table"},
    {55472, "Insert query"},
    {55473, "Insert DBLookupComboBox control"},
    {55480, "Insert Cross-tab object"},
    // Cross-tab captions and menu entries.
    {55600, "Grand total"},
    {55601, "Total"},
    {55602, "Total of "},
    {55603, "Cell"},
    {55604, "Header"},
    {55605, "Repeat captions"},
    {55606, "Internal frame"},
    {55607, "Show header"},
    // Password dialog.
    {55653, "Password"},
    {55654, "Enter password for opening report"},
    {55655, "Retype password for validate"},
};

constexpr bool SortedById() {
  return std::is_sorted(std::begin(BuiltInMessages), std::end(BuiltInMessages),
                        [](const TMessageEntry& a, const TMessageEntry& b) { return a.Id < b.Id; });
}
static_assert(SortedById(), "BuiltInMessages must be sorted by id");

std::string_view BuiltInText(int id) {
  const auto it = std::lower_bound(std::begin(BuiltInMessages), std::end(BuiltInMessages), id,
                                   [](const TMessageEntry& e, int key) { return e.Id < key; });
  return it != std::end(BuiltInMessages) && it->Id == id ? it->Text : std::string_view();
}

}  // namespace

std::string MessageText(int id, const std::function<std::string(int id)>& localizer) {
  std::string text;
  if (localizer) text = localizer(id);
  if (text.empty()) text = BuiltInText(id);
  if (text.size() > MaxMessageLength) text.resize(MaxMessageLength);
  return text;
}

}  // namespace kv
