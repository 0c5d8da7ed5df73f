// Building the page pictures of a report from its loaded model, and their JSON form.
#include "writer/PagePicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

#include "base/Ascii.h"
#include "base/Base64.h"
#include "base/CodePage.h"
#include "base/JsonText.h"
#include "dialogs/DBLookupControl.h"
#include "dialogs/DialogControls.h"
#include "legacy/Context.h"
#include "legacy/Messages.h"
#include "legacy/Page.h"
#include "legacy/Printer.h"
#include "legacy/Report.h"
#include "objects/Band.h"
#include "objects/BarCode.h"
#include "objects/BarcodeEncoder.h"
#include "objects/CheckBox.h"
#include "objects/Control.h"
#include "objects/Line.h"
#include "objects/Memo.h"
#include "objects/Picture.h"
#include "objects/RichText.h"
#include "objects/Shape.h"
#include "writer/Conversion.h"

namespace kv {

namespace {

// The colours a system colour stands for, by index, as a standard desktop shows them.
constexpr std::array<std::uint32_t, 31> SystemColors = {
    0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xF4F7FC, 0xABABAB, 0x0078D7, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x0078D7, 0xF0F0F0};

// 0xRRGGBB of a colour value (0x00BBGGRR, or a system colour by index).
std::uint32_t Rgb(TColor color) {
  const auto value = static_cast<std::uint32_t>(color);
  if ((value & 0xFF000000u) == 0xFF000000u) {
    const std::uint32_t index = value & 0xFF;
    return index < SystemColors.size() ? SystemColors[index] : 0;
  }
  return ((value & 0xFF) << 16) | (value & 0xFF00) | ((value >> 16) & 0xFF);
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The text without the blanks and tabs at its ends.
std::string Trim(const std::string& text) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos) return {};
  return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

bool IsTransparent(TColor color) {
  return color == clTransparent;
}

TPictureRect RectOf(const TkvView& view) {
  return {view.Left, view.Top, view.Width, view.Height};
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + lines[i];
  return text;
}

TPictureFont FontOf(const TkvFont& font, int codePage) {
  TPictureFont result;
  result.Name = CodePageToUtf8(font.Name, codePage);
  const std::int64_t height = FontHeightPixels(font.Size, 96);
  result.PixelSize = static_cast<std::int32_t>(
      std::min<std::int64_t>(std::max<std::int64_t>(height < 0 ? -height : height, 1), 2000));
  result.Bold = font.Style.Contains(TFontStyle::fsBold);
  result.Italic = font.Style.Contains(TFontStyle::fsItalic);
  result.Underline = font.Style.Contains(TFontStyle::fsUnderline);
  result.StrikeOut = font.Style.Contains(TFontStyle::fsStrikeOut);
  result.Color = Rgb(font.Color);
  return result;
}

// The plain text of RTF: the text of the groups that are shown, "\par" and "\line" as line
// breaks, "\tab" as a tab, "\'hh" as the byte hh of the code page, "\uN" as the character N
// (skipping the one replacement character that follows). Destinations (font and colour tables,
// "\*" groups, pictures, information) are left out.
std::string RtfPlainText(const std::string& rtf, int codePage) {
  std::string out;      // UTF-8
  std::string pending;  // bytes of the code page not yet converted
  const auto flush = [&] {
    out += CodePageToUtf8(pending, codePage);
    pending.clear();
  };
  // Per open group: whether its text is skipped.
  std::vector<bool> skipped{false};
  std::size_t i = 0;
  int skipAfterUnicode = 0;
  while (i < rtf.size()) {
    const char c = rtf[i];
    if (c == '{') {
      skipped.push_back(skipped.back());
      ++i;
      continue;
    }
    if (c == '}') {
      if (skipped.size() > 1) skipped.pop_back();
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c != '\\') {
      if (skipAfterUnicode > 0) {
        --skipAfterUnicode;
      } else if (!skipped.back()) {
        pending += c;
      }
      ++i;
      continue;
    }
    // A control symbol or word.
    ++i;
    if (i >= rtf.size()) break;
    const char s = rtf[i];
    if (s == '\\' || s == '{' || s == '}') {
      if (!skipped.back()) pending += s;
      ++i;
      continue;
    }
    if (s == '*') {
      skipped.back() = true;
      ++i;
      continue;
    }
    if (s == '\'') {
      {
        const auto hex = [](char h) {
          return h >= '0' && h <= '9'   ? h - '0'
                 : h >= 'a' && h <= 'f' ? h - 'a' + 10
                 : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                        : -1;
        };
        const int high = i + 1 < rtf.size() ? hex(rtf[i + 1]) : -1;
        const int low = i + 2 < rtf.size() ? hex(rtf[i + 2]) : -1;
        if (high >= 0 && low >= 0) {
          if (skipAfterUnicode > 0) {
            --skipAfterUnicode;
          } else if (!skipped.back()) {
            pending += static_cast<char>(high * 16 + low);
          }
          i += 3;
          continue;
        }
      }
      ++i;
      continue;
    }
    if (!IsAsciiLetter(s)) {
      ++i;
      continue;
    }
    std::string word;
    while (i < rtf.size() && IsAsciiLetter(rtf[i])) word += rtf[i++];
    bool negative = false;
    if (i < rtf.size() && rtf[i] == '-') {
      negative = true;
      ++i;
    }
    long long number = 0;
    bool hasNumber = false;
    while (i < rtf.size() && rtf[i] >= '0' && rtf[i] <= '9') {
      if (number < 100000000) number = number * 10 + (rtf[i] - '0');
      hasNumber = true;
      ++i;
    }
    if (i < rtf.size() && rtf[i] == ' ') ++i;  // the delimiter belongs to the word
    if (negative) number = -number;
    if (skipped.back()) continue;
    if (word == "par" || word == "line" || word == "row") {
      flush();
      out += '\n';
    } else if (word == "tab" || word == "cell") {
      flush();
      out += '\t';
    } else if (word == "u" && hasNumber) {
      flush();
      long long code = number < 0 ? number + 65536 : number;
      if (code <= 0 || code > 0xFFFF) code = 0xFFFD;
      char buffer[4];
      if (code < 0x80) {
        out += static_cast<char>(code);
      } else if (code < 0x800) {
        buffer[0] = static_cast<char>(0xC0 | (code >> 6));
        buffer[1] = static_cast<char>(0x80 | (code & 0x3F));
        out.append(buffer, 2);
      } else {
        if (code >= 0xD800 && code <= 0xDFFF) code = 0xFFFD;
        buffer[0] = static_cast<char>(0xE0 | (code >> 12));
        buffer[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        buffer[2] = static_cast<char>(0x80 | (code & 0x3F));
        out.append(buffer, 3);
      }
      skipAfterUnicode = 1;
    } else if (word == "fonttbl" || word == "colortbl" || word == "stylesheet" || word == "info" ||
               word == "pict" || word == "object" || word == "header" || word == "footer") {
      skipped.back() = true;
    }
  }
  flush();
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

TPictureImageKind ImageKindOf(TGraphicKind kind) {
  switch (kind) {
    case gkNone:
      return TPictureImageKind::None;
    case gkBitmap:
      return TPictureImageKind::Bitmap;
    case gkMetafile:
      return TPictureImageKind::Metafile;
    case gkIcon:
      return TPictureImageKind::Icon;
    case gkJPEG:
      return TPictureImageKind::Jpeg;
  }
  return TPictureImageKind::Unknown;
}

bool IsDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The barcode's code as the view draws it in the designer: the first memo line; "12345678" when
// there is none, when it is still an expression or a field ("[...]"), or when a digits-only
// symbology gets something other than digits.
std::string BarcodeCode(const TkvBarCodeView& view) {
  std::string code = view.Memo.empty() ? std::string() : Trim(view.Memo.front());
  const bool numeric = view.BarType < BarcodeTypeCount && BCdata[view.BarType].Num;
  if (code.empty() || code.front() == '[' || (numeric && !IsDigits(code))) {
    code = "12345678";
  }
  return code;
}

void FillBarcode(TPictureItem& item, const TkvBarCodeView& view, int codePage) {
  item.Kind = TPictureItemKind::Barcode;
  item.Rotation =
      static_cast<int>(std::lround(std::fmod(std::fmod(view.Rotation, 360.0) + 360.0, 360.0)));
  item.Zoom = view.Zoom;
  item.ShowText = view.ShowText;
  const std::string code = BarcodeCode(view);
  if (code == "0") return;  // a code of "0" draws nothing
  if (view.BarType >= BarcodeTypeCount) {
    item.Problem = "unknown symbology " + std::to_string(view.BarType);
    return;
  }
  TkvBarcode encoder;
  encoder.SetTyp(static_cast<TkvBarcodeType>(view.BarType));
  encoder.SetModul(1);
  encoder.SetRatio(2.0);
  encoder.SetChecksum(view.CalcCheckSum);
  encoder.SetText(code);
  try {
    item.BarPattern = encoder.Pattern();
    item.BarWidths = encoder.ElementWidths();
    item.BarText = CodePageToUtf8(encoder.EncodedText(), codePage);
  } catch (const std::exception& e) {
    item.BarPattern.clear();
    item.Problem = CodePageToUtf8(e.what(), codePage);
  }
}

// Days since 30 December 1899 as "YYYY-MM-DD".
std::string DateText(double date) {
  if (!std::isfinite(date) || date < -693593 || date > 2958465) return "";
  // Days from 1970-01-01, then the civil date.
  long long z = static_cast<long long>(std::floor(date)) - 25569 + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long y = yoe + era * 400;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long d = doy - (153 * mp + 2) / 5 + 1;
  const long long m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lld", y, m, d);
  return buffer;
}

void FillControl(TPictureItem& item, const TkvView& view, int codePage) {
  item.Kind = TPictureItemKind::Control;
  item.ControlKind = TPictureControlKind::Other;
  const auto utf8 = [&](const std::string& text) { return CodePageToUtf8(text, codePage); };
  if (const auto* std = dynamic_cast<const TkvStdControl*>(&view)) {
    item.Font = FontOf(std->Font, codePage);
    item.Filled = !IsTransparent(std->Color);
    item.FillColor = Rgb(std->Color);
  }
  if (const auto* c = dynamic_cast<const TkvLabelControl*>(&view)) {
    item.ControlKind = TPictureControlKind::Label;
    item.Text = utf8(c->Caption);
    item.HorizontalAlign = c->Alignment == taRightJustify ? 1 : c->Alignment == taCenter ? 2 : 0;
    item.WordWrap = c->WordWrap;
  } else if (const auto* c = dynamic_cast<const TkvEditControl*>(&view)) {
    item.ControlKind = TPictureControlKind::Edit;
    item.Text = utf8(c->Text);
  } else if (const auto* c = dynamic_cast<const TkvMemoControl*>(&view)) {
    item.ControlKind = TPictureControlKind::Memo;
    item.Text = utf8(c->Text);
    item.WordWrap = true;
  } else if (const auto* c = dynamic_cast<const TkvButtonControl*>(&view)) {
    item.ControlKind = TPictureControlKind::Button;
    item.Text = utf8(c->Caption);
    item.HorizontalAlign = 2;
  } else if (const auto* c = dynamic_cast<const TkvCheckBoxControl*>(&view)) {
    item.ControlKind = TPictureControlKind::CheckBox;
    item.Text = utf8(c->Caption);
    item.Checked = c->Checked;
    item.HorizontalAlign = c->Alignment == taLeftJustify ? 1 : 0;
  } else if (const auto* c = dynamic_cast<const TkvRadioButtonControl*>(&view)) {
    item.ControlKind = TPictureControlKind::RadioButton;
    item.Text = utf8(c->Caption);
    item.Checked = c->Checked;
    item.HorizontalAlign = c->Alignment == taLeftJustify ? 1 : 0;
  } else if (const auto* c = dynamic_cast<const TkvListBoxControl*>(&view)) {
    item.ControlKind = TPictureControlKind::ListBox;
    item.Text = utf8(JoinLines(c->Items));
  } else if (const auto* c = dynamic_cast<const TkvComboBoxControl*>(&view)) {
    item.ControlKind = TPictureControlKind::ComboBox;
    item.Text = utf8(c->Text);
    if (item.Text.empty() && c->ItemIndex >= 0 &&
        static_cast<std::size_t>(c->ItemIndex) < c->Items.size()) {
      item.Text = utf8(c->Items[static_cast<std::size_t>(c->ItemIndex)]);
    }
  } else if (const auto* c = dynamic_cast<const TkvDateEditControl*>(&view)) {
    item.ControlKind = TPictureControlKind::DateEdit;
    item.Text = DateText(c->Date);
  } else if (const auto* c = dynamic_cast<const TkvDBLookupControl*>(&view)) {
    item.ControlKind = TPictureControlKind::ComboBox;
    item.Text = utf8(c->KeyValue);
  }
}

// A check box view shows its mark unless its first memo line is a literal false value: in the
// designer a data field or an expression has no value yet, and the mark is shown.
bool CheckBoxChecked(const TkvView& view) {
  if (view.Memo.empty()) return true;
  const std::string value = Trim(view.Memo.front());
  return !(value.empty() || value == "0" || SameTextAscii(value, "false") ||
           SameTextAscii(value, "no"));
}

TPictureItem ItemOf(const TkvView& view, int codePage) {
  TPictureItem item;
  item.ClassName = view.ClassName();
  item.Name = CodePageToUtf8(view.Name, codePage);
  item.Rect = RectOf(view);
  item.FrameSides = view.FrameTyp & 0xF;
  item.FrameWidth = std::isfinite(view.FrameWidth) ? std::clamp(view.FrameWidth, 0.0f, 100.0f) : 1;
  item.FrameColor = Rgb(view.FrameColor);
  item.FrameStyle = view.FrameStyle <= psDouble ? view.FrameStyle : int{psSolid};
  item.Filled = !IsTransparent(view.FillColor);
  item.FillColor = Rgb(view.FillColor);
  if (dynamic_cast<const TkvControl*>(&view)) {
    FillControl(item, view, codePage);
  } else if (const auto* memo = dynamic_cast<const TkvMemoView*>(&view)) {
    item.Kind = TPictureItemKind::Memo;
    item.Text = CodePageToUtf8(JoinLines(view.Memo), codePage);
    item.Font = FontOf(memo->Font, codePage);
    item.HorizontalAlign = memo->Alignment & alHorizontalMask;
    item.VerticalAlign = (memo->Alignment & alBottom) != 0           ? 2
                         : (memo->Alignment & alVerticalCenter) != 0 ? 1
                                                                     : 0;
    item.Rotation = (memo->Alignment & alRotated90) != 0 ? 90 : 0;
    item.WordWrap = (view.Flags & flWordWrap) != 0;
    item.GapX = view.GapX;
    item.GapY = view.GapY;
    if (const auto* round = dynamic_cast<const TkvRoundRectView*>(&view)) {
      item.ShapeKind = skRoundRectangle;
      item.RoundSize = round->RoundCorners != 0 ? round->RoundSize : 0;
      if (round->Gradient()) item.RoundSize = 0;
    }
  } else if (dynamic_cast<const TkvLineView*>(&view)) {
    item.Kind = TPictureItemKind::Line;
  } else if (const auto* shape = dynamic_cast<const TkvShapeView*>(&view)) {
    item.Kind = TPictureItemKind::Shape;
    item.ShapeKind = shape->ShapeKind <= skDiagonal2 ? shape->ShapeKind : int{skRectangle};
  } else if (const auto* check = dynamic_cast<const TkvCheckBoxView*>(&view)) {
    item.Kind = TPictureItemKind::CheckBox;
    item.Checked = CheckBoxChecked(view);
    item.CheckStyle = check->CheckStyle == csCheck ? 1 : 0;
    item.CheckColor = Rgb(check->CheckColor);
  } else if (const auto* picture = dynamic_cast<const TkvPictureView*>(&view)) {
    item.Kind = TPictureItemKind::Picture;
    item.ImageKind = ImageKindOf(picture->Picture.GraphicKind());
    item.ImageBytes = picture->Picture.Bytes();
  } else if (const auto* bar = dynamic_cast<const TkvBarCodeView*>(&view)) {
    FillBarcode(item, *bar, codePage);
  } else if (const auto* rich = dynamic_cast<const TkvRichView*>(&view)) {
    item.Kind = TPictureItemKind::RichText;
    item.Text = RtfPlainText(rich->RichText, codePage);
  } else {
    // Charts, OLE objects, cross-tabs, subreports and classes without a drawing of their own.
    item.Kind = TPictureItemKind::Box;
  }
  return item;
}

// The page number and object name a note names ("Page 2, Memo3: ..." gives 2 and "Memo3"; "Page
// 2: ..." and "Skipped on page 2: ..." give 2 and no name); page 0 for a note on the report.
struct TNoteTarget {
  int Page = 0;
  std::string Object;
};

TNoteTarget NoteTargetOf(const std::string& note) {
  TNoteTarget target;
  std::size_t i = 0;
  if (note.starts_with("Page ")) {
    i = 5;
  } else if (note.starts_with("Skipped on page ")) {
    i = 16;
  } else {
    return target;
  }
  int page = 0;
  std::size_t digits = 0;
  while (i < note.size() && note[i] >= '0' && note[i] <= '9' && digits < 9) {
    page = page * 10 + (note[i] - '0');
    ++i;
    ++digits;
  }
  if (digits == 0) return target;
  target.Page = page;
  if (note.starts_with("Page ") && note.compare(i, 2, ", ") == 0) {
    // The object's name runs to the last ": " that follows it; names hold no ": ".
    const std::size_t end = note.find(": ", i + 2);
    if (end != std::string::npos) target.Object = note.substr(i + 2, end - i - 2);
  }
  return target;
}

}  // namespace

std::vector<TPagePicture> BuildPagePictures(const TkvReport& report,
                                            const TConversionOutcome* notes) {
  const int codePage = report.Context().CodePage;
  std::vector<TPagePicture> pictures;
  for (int p = 0; p < report.Pages.Count(); ++p) {
    const TkvPage& page = report.Pages.Item(p);
    TPagePicture picture;
    picture.Number = p + 1;
    picture.Name = CodePageToUtf8(page.Name, codePage);
    picture.Dialog = page.PageType == ptDialog;
    if (picture.Dialog) {
      picture.Caption = CodePageToUtf8(page.Caption, codePage);
      picture.PaperWidth = std::max<std::int64_t>(page.Width, 1);
      picture.PaperHeight = std::max<std::int64_t>(page.Height, 1);
      picture.MarginRight = picture.PaperWidth;
      picture.MarginBottom = picture.PaperHeight;
      picture.Color = Rgb(page.Color);
    } else {
      picture.PixelsPerInch = VirtualPixelsPerInch;
      picture.PaperWidth = std::max<std::int64_t>(page.Metrics.PaperWidthPx, 1);
      picture.PaperHeight = std::max<std::int64_t>(page.Metrics.PaperHeightPx, 1);
      picture.PaperSize = page.Size;
      picture.Landscape = page.Orientation != 0;
      picture.MarginLeft = page.LeftEdge();
      picture.MarginTop = page.TopEdge();
      picture.MarginRight = page.RightEdge();
      picture.MarginBottom = page.BottomEdge();
    }
    for (const auto& object : page.ObjectList) {
      if (const auto* band = dynamic_cast<const TkvBandView*>(object.get())) {
        TPictureBand strip;
        strip.TypeName = band->BandType() <= btNone
                             ? CodePageToUtf8(MessageText(55077 + band->BandType()), codePage)
                             : "Band type " + std::to_string(band->BandType());
        strip.Name = CodePageToUtf8(band->Name, codePage);
        strip.Rect = RectOf(*band);
        picture.Bands.push_back(std::move(strip));
      } else {
        picture.Items.push_back(ItemOf(*object, codePage));
      }
    }
    pictures.push_back(std::move(picture));
  }
  if (notes == nullptr) return pictures;
  // Each note goes to the legend of its page (every page's for a note on the report) and to the
  // items and bands of the object it names.
  for (const std::string& note : notes->Notes) {
    const TNoteTarget target = NoteTargetOf(note);
    const std::string text = CodePageToUtf8(note, codePage);
    for (TPagePicture& picture : pictures) {
      if (target.Page != 0 && target.Page != picture.Number) continue;
      picture.Notes.push_back(text);
      const int number = static_cast<int>(picture.Notes.size());
      if (target.Object.empty()) continue;
      const TkvPage& page = report.Pages.Item(picture.Number - 1);
      std::size_t item = 0, band = 0;
      for (const auto& object : page.ObjectList) {
        const bool isBand = dynamic_cast<const TkvBandView*>(object.get()) != nullptr;
        if (object->Name == target.Object) {
          if (isBand) {
            picture.Bands[band].Notes.push_back(number);
          } else {
            picture.Items[item].Notes.push_back(number);
          }
        }
        ++(isBand ? band : item);
      }
    }
  }
  return pictures;
}

namespace {

std::string Num(std::int64_t value) {
  return std::to_string(value);
}

std::string Real(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17g", std::isfinite(value) ? value : 0.0);
  return buffer;
}

std::string Bool(bool value) {
  return value ? "true" : "false";
}

std::string RectJson(const TPictureRect& r) {
  return "[" + Num(r.Left) + "," + Num(r.Top) + "," + Num(r.Width) + "," + Num(r.Height) + "]";
}

std::string NotesJson(const std::vector<int>& notes) {
  std::string out = "[";
  for (std::size_t i = 0; i < notes.size(); ++i) out += (i ? "," : "") + Num(notes[i]);
  return out + "]";
}

}  // namespace

std::string PagePictureJson(const TPagePicture& p) {
  // Texts are UTF-8 already; JsonString escapes what JSON needs.
  std::string out = "{\"number\":" + Num(p.Number) + ",\"name\":" + JsonString(p.Name) +
                    ",\"dialog\":" + Bool(p.Dialog) + ",\"caption\":" + JsonString(p.Caption) +
                    ",\"pixelsPerInch\":" + Real(p.PixelsPerInch) + ",\"paper\":[" +
                    Num(p.PaperWidth) + "," + Num(p.PaperHeight) +
                    "],\"paperSize\":" + Num(p.PaperSize) + ",\"landscape\":" + Bool(p.Landscape) +
                    ",\"margins\":[" + Num(p.MarginLeft) + "," + Num(p.MarginTop) + "," +
                    Num(p.MarginRight) + "," + Num(p.MarginBottom) + "],\"color\":" + Num(p.Color) +
                    ",\"bands\":[";
  for (std::size_t i = 0; i < p.Bands.size(); ++i) {
    const TPictureBand& b = p.Bands[i];
    out += std::string(i ? "," : "") + "{\"type\":" + JsonString(b.TypeName) +
           ",\"name\":" + JsonString(b.Name) + ",\"rect\":" + RectJson(b.Rect) +
           ",\"notes\":" + NotesJson(b.Notes) + "}";
  }
  out += "],\"items\":[";
  for (std::size_t i = 0; i < p.Items.size(); ++i) {
    const TPictureItem& t = p.Items[i];
    const TPictureFont& f = t.Font;
    out += std::string(i ? "," : "") + "{\"kind\":" + Num(static_cast<int>(t.Kind)) +
           ",\"class\":" + JsonString(t.ClassName) + ",\"name\":" + JsonString(t.Name) +
           ",\"rect\":" + RectJson(t.Rect) + ",\"text\":" + JsonString(t.Text) +
           ",\"font\":{\"name\":" + JsonString(f.Name) + ",\"size\":" + Num(f.PixelSize) +
           ",\"bold\":" + Bool(f.Bold) + ",\"italic\":" + Bool(f.Italic) +
           ",\"underline\":" + Bool(f.Underline) + ",\"strikeOut\":" + Bool(f.StrikeOut) +
           ",\"color\":" + Num(f.Color) + "},\"hAlign\":" + Num(t.HorizontalAlign) +
           ",\"vAlign\":" + Num(t.VerticalAlign) + ",\"rotation\":" + Num(t.Rotation) +
           ",\"wordWrap\":" + Bool(t.WordWrap) + ",\"gap\":[" + Num(t.GapX) + "," + Num(t.GapY) +
           "],\"frameSides\":" + Num(t.FrameSides) + ",\"frameWidth\":" + Real(t.FrameWidth) +
           ",\"frameColor\":" + Num(t.FrameColor) + ",\"frameStyle\":" + Num(t.FrameStyle) +
           ",\"filled\":" + Bool(t.Filled) + ",\"fillColor\":" + Num(t.FillColor) +
           ",\"shape\":" + Num(t.ShapeKind) + ",\"roundSize\":" + Num(t.RoundSize) +
           ",\"checked\":" + Bool(t.Checked) + ",\"checkStyle\":" + Num(t.CheckStyle) +
           ",\"checkColor\":" + Num(t.CheckColor) +
           ",\"imageKind\":" + Num(static_cast<int>(t.ImageKind)) + ",\"image\":\"" +
           Base64(t.ImageBytes) + "\",\"barPattern\":" + JsonString(t.BarPattern) +
           ",\"barWidths\":[" + Num(t.BarWidths[0]) + "," + Num(t.BarWidths[1]) + "," +
           Num(t.BarWidths[2]) + "," + Num(t.BarWidths[3]) +
           "],\"barText\":" + JsonString(t.BarText) + ",\"showText\":" + Bool(t.ShowText) +
           ",\"zoom\":" + Real(t.Zoom) + ",\"control\":" + Num(static_cast<int>(t.ControlKind)) +
           ",\"problem\":" + JsonString(t.Problem) + ",\"notes\":" + NotesJson(t.Notes) + "}";
  }
  out += "],\"notes\":[";
  for (std::size_t i = 0; i < p.Notes.size(); ++i) out += (i ? "," : "") + JsonString(p.Notes[i]);
  return out + "]}";
}

}  // namespace kv
