// Page pictures as SVG text, item by item as the Qt painter draws them.
#include "writer/PageSvg.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

#include "base/Base64.h"

namespace kv {

namespace {

// The height of a dialog page's title bar, the legend's distance from the page and its font, the
// marked corner of an item with notes: as the Qt painter has them.
constexpr double TitleHeight = 24;
constexpr double LegendGap = 12;
constexpr double LegendFontPixels = 11;
constexpr double NoteCorner = 9;
constexpr const char* NoteColor = "#e03030";
// Without font metrics, a character is taken as this share of the font's pixel size wide.
constexpr double CharacterWidth = 0.55;

// A coordinate with at most two decimals (a hundredth of a pixel is below what shows).
std::string Number(double value) {
  if (!std::isfinite(value)) return "0";
  char text[40];
  const double rounded = std::round(value * 100) / 100;
  const auto [end, error] =
      std::to_chars(text, text + sizeof text, rounded, std::chars_format::fixed,
                    std::fabs(rounded - std::round(rounded)) < 1e-9 ? 0 : 2);
  return error == std::errc() ? std::string(text, end) : std::string("0");
}

std::string Colour(std::uint32_t rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06x", rgb & 0xFFFFFFu);
  return text;
}

// Text for an element or a quoted attribute. Control characters other than tab and line feed
// are not allowed in XML: they become spaces.
void AppendXml(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' ? ' ' : c;
    }
  }
}

// The number of UTF-8 characters of text (continuation bytes do not count).
std::size_t Characters(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The lines of text: its own line breaks, and with wrap, words carried to the next line where a
// line would be wider than width (estimated).
std::vector<std::string> Lines(std::string_view text, double width, double pixels, bool wrap) {
  std::vector<std::string> lines;
  const std::size_t fits = static_cast<std::size_t>(
      std::max(1.0, width / std::max(1.0, pixels * CharacterWidth)));
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!wrap || Characters(line) <= fits) {
      lines.emplace_back(line);
    } else {
      std::string current;
      std::size_t word = 0;
      while (word < line.size()) {
        std::size_t next = line.find(' ', word);
        if (next == std::string_view::npos) next = line.size();
        const std::string_view piece = line.substr(word, next - word);
        if (!current.empty() && Characters(current) + 1 + Characters(piece) > fits) {
          lines.push_back(std::move(current));
          current.clear();
        }
        if (!current.empty()) current += ' ';
        current += piece;
        word = next + 1;
      }
      lines.push_back(std::move(current));
    }
    if (end == text.size()) break;
    start = end + 1;
  }
  return lines;
}

struct TBox {
  double Left, Top, Width, Height;
  double Right() const { return Left + Width; }
  double Bottom() const { return Top + Height; }
  TBox Inset(double dx, double dy) const {
    return {Left + dx, Top + dy, std::max(0.0, Width - 2 * dx), std::max(0.0, Height - 2 * dy)};
  }
};

TBox BoxOf(const TPictureRect& r) {
  return {static_cast<double>(r.Left), static_cast<double>(r.Top), static_cast<double>(r.Width),
          static_cast<double>(r.Height)};
}

class TSvgPage {
 public:
  std::string Out;

  void Rect(const TBox& b, const std::string& fill, const std::string& stroke = "none",
            double strokeWidth = 1, const char* dash = nullptr) {
    Out += "<rect x=\"" + Number(b.Left) + "\" y=\"" + Number(b.Top) + "\" width=\"" +
           Number(b.Width) + "\" height=\"" + Number(b.Height) + "\" fill=\"" + fill + "\"";
    Stroke(stroke, strokeWidth, dash);
    Out += "/>";
  }
  void Line(double x1, double y1, double x2, double y2, const std::string& stroke, double width,
            const char* dash = nullptr, const char* cap = "square") {
    Out += "<line x1=\"" + Number(x1) + "\" y1=\"" + Number(y1) + "\" x2=\"" + Number(x2) +
           "\" y2=\"" + Number(y2) + "\"";
    Stroke(stroke, width, dash);
    Out += " stroke-linecap=\"" + std::string(cap) + "\"/>";
  }
  // Text in a box, clipped to it, aligned (0 left, 1 right, 2 centre; 0 top, 1 centre,
  // 2 bottom), turned by rotation degrees counter-clockwise about the box's centre.
  void Text(const TBox& box, std::string_view text, const TPictureFont& font, int horizontal,
            int vertical, bool wrap, int rotation = 0) {
    if (text.empty() || box.Width <= 0 || box.Height <= 0) return;
    const int turn = ((rotation % 360) + 360) % 360;
    const bool across = turn % 180 != 0;
    const double w = across ? box.Height : box.Width;
    const double h = across ? box.Width : box.Height;
    const double pixels = std::clamp<double>(font.PixelSize, 1, 2000);
    const std::vector<std::string> lines = Lines(text, w, pixels, wrap);
    const double lineHeight = pixels * 1.15;
    const double textHeight = lineHeight * static_cast<double>(lines.size());
    double top = vertical == 1 ? (h - textHeight) / 2 : vertical == 2 ? h - textHeight : 0;
    const std::string clip = "c" + std::to_string(++Clips);
    Out += "<clipPath id=\"" + clip + "\"><rect x=\"" + Number(box.Left) + "\" y=\"" +
           Number(box.Top) + "\" width=\"" + Number(box.Width) + "\" height=\"" +
           Number(box.Height) + "\"/></clipPath><g clip-path=\"url(#" + clip + ")\">";
    // The text is laid out in a frame of w by h whose top-left corner is the origin, then moved
    // (and turned) onto the box.
    const double cx = box.Left + box.Width / 2, cy = box.Top + box.Height / 2;
    Out += "<g transform=\"translate(" + Number(cx) + " " + Number(cy) + ")";
    if (turn != 0) Out += " rotate(" + Number(-turn) + ")";
    Out += " translate(" + Number(-w / 2) + " " + Number(-h / 2) + ")\">";
    const char* anchor = horizontal == 1 ? "end" : horizontal == 2 ? "middle" : "start";
    const double x = horizontal == 1 ? w : horizontal == 2 ? w / 2 : 0;
    Out += "<text font-family=\"";
    AppendXml(Out, font.Name);
    Out += "\" font-size=\"" + Number(pixels) + "\" fill=\"" + Colour(font.Color) +
           "\" text-anchor=\"" + anchor + "\" xml:space=\"preserve\"";
    if (font.Bold) Out += " font-weight=\"bold\"";
    if (font.Italic) Out += " font-style=\"italic\"";
    if (font.Underline || font.StrikeOut) {
      Out += std::string(" text-decoration=\"") + (font.Underline ? "underline" : "") +
             (font.Underline && font.StrikeOut ? " " : "") + (font.StrikeOut ? "line-through" : "") +
             "\"";
    }
    Out += ">";
    for (const std::string& line : lines) {
      top += lineHeight;
      Out += "<tspan x=\"" + Number(x) + "\" y=\"" + Number(top - lineHeight * 0.25) + "\">";
      AppendXml(Out, line);
      Out += "</tspan>";
    }
    Out += "</text></g></g>";
  }
  void NamedBox(const TBox& r, const std::string& text) {
    Rect(r, "#f2f2f2", "#808080", 1, "3 2");
    Line(r.Left, r.Top, r.Right(), r.Bottom(), "#808080", 1, "3 2");
    Line(r.Left, r.Bottom(), r.Right(), r.Top, "#808080", 1, "3 2");
    TPictureFont font;
    font.PixelSize = 10;
    font.Color = 0x303030;
    Text(r.Inset(2, 2), text, font, 2, 1, true);
  }

 private:
  void Stroke(const std::string& stroke, double width, const char* dash) {
    Out += " stroke=\"" + stroke + "\"";
    if (stroke != "none") {
      Out += " stroke-width=\"" + Number(std::max(width, 0.5)) + "\"";
      if (dash != nullptr) Out += " stroke-dasharray=\"" + std::string(dash) + "\"";
    }
  }
  int Clips = 0;
};

const char* DashOf(int frameStyle) {
  switch (frameStyle) {
    case 1:
      return "6 3";
    case 2:
      return "1 2";
    case 3:
      return "6 3 1 3";
    case 4:
      return "6 3 1 3 1 3";
    default:
      return nullptr;
  }
}

void Frame(TSvgPage& svg, const TPictureItem& item, const TBox& r) {
  if (item.FrameSides == 0) return;
  const bool twice = item.FrameStyle == 5;
  const double width = twice ? std::max(item.FrameWidth / 3, 0.5) : item.FrameWidth;
  const double d = twice ? std::max(item.FrameWidth / 1.5, 1.0) : 0;
  const std::string colour = Colour(item.FrameColor);
  for (int pass = 0; pass < (twice ? 2 : 1); ++pass) {
    const TBox f = pass == 0 ? r : r.Inset(d, d);
    const char* dash = DashOf(item.FrameStyle);
    if (item.FrameSides & PictureFrameTop) svg.Line(f.Left, f.Top, f.Right(), f.Top, colour, width, dash);
    if (item.FrameSides & PictureFrameBottom) {
      svg.Line(f.Left, f.Bottom(), f.Right(), f.Bottom(), colour, width, dash);
    }
    if (item.FrameSides & PictureFrameLeft) svg.Line(f.Left, f.Top, f.Left, f.Bottom(), colour, width, dash);
    if (item.FrameSides & PictureFrameRight) {
      svg.Line(f.Right(), f.Top, f.Right(), f.Bottom(), colour, width, dash);
    }
  }
}

void Fill(TSvgPage& svg, const TPictureItem& item, const TBox& r) {
  if (item.Filled) svg.Rect(r, Colour(item.FillColor));
}

std::string Title(const TPictureItem& item) {
  return item.ClassName + " " + item.Name;
}

void Mark(TSvgPage& svg, const TBox& box, int style, const std::string& colour) {
  const double width = std::max(1.0, std::min(box.Width, box.Height) / 7);
  const TBox m = box.Inset(box.Width / 5, box.Height / 5);
  if (style == 1) {
    svg.Out += "<polyline fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"" +
               Number(width) + "\" stroke-linecap=\"round\" points=\"" + Number(m.Left) + "," +
               Number(m.Top + m.Height / 2) + " " + Number(m.Left + m.Width / 3) + "," +
               Number(m.Bottom()) + " " + Number(m.Right()) + "," + Number(m.Top) + "\"/>";
  } else {
    svg.Line(m.Left, m.Top, m.Right(), m.Bottom(), colour, width, nullptr, "round");
    svg.Line(m.Left, m.Bottom(), m.Right(), m.Top, colour, width, nullptr, "round");
  }
}

// The media type of an image a browser can show, judged by the kind and the file's signature
// (nothing is decoded here); nullptr for what it cannot show (metafiles, unknown or damaged
// bytes), which is drawn as a named box as the Qt painter draws what it cannot decode.
const char* MediaTypeOf(TPictureImageKind kind, std::string_view bytes) {
  switch (kind) {
    case TPictureImageKind::Bitmap:
      return bytes.size() > 26 && bytes.substr(0, 2) == "BM" ? "image/bmp" : nullptr;
    case TPictureImageKind::Jpeg:
      return bytes.size() > 4 && bytes.substr(0, 3) == "\xFF\xD8\xFF" ? "image/jpeg" : nullptr;
    case TPictureImageKind::Icon:
      return bytes.size() > 22 && bytes.substr(0, 4) == std::string_view("\0\0\1\0", 4)
                 ? "image/x-icon"
                 : nullptr;
    default:
      return nullptr;
  }
}

void Barcode(TSvgPage& svg, const TPictureItem& item, const TBox& r) {
  svg.Rect(r, item.Filled ? Colour(item.FillColor) : "#ffffff");
  if (!item.Problem.empty()) {
    svg.NamedBox(r, Title(item) + "\n" + item.Problem);
    return;
  }
  double modules = 0;
  for (const char c : item.BarPattern) {
    const int index = c >= '0' && c <= '3'   ? c - '0'
                      : c >= '5' && c <= '8' ? c - '5'
                      : c >= 'A' && c <= 'D' ? c - 'A'
                                             : -1;
    if (index < 0) {
      svg.NamedBox(r, Title(item) + "\ndamaged bar pattern");
      return;
    }
    modules += std::max(item.BarWidths[static_cast<std::size_t>(index)], 0);
  }
  if (modules > 0) {
    const int turn = ((item.Rotation % 360) + 360) % 360;
    const bool across = turn % 180 != 0;
    const double length = across ? r.Height : r.Width;
    const double height = across ? r.Width : r.Height;
    const double textHeight = item.ShowText ? std::min(14.0, height / 2) : 0;
    const double barHeight = height - textHeight;
    const double unit = length / modules;
    svg.Out += "<g transform=\"translate(" + Number(r.Left + r.Width / 2) + " " +
               Number(r.Top + r.Height / 2) + ")";
    if (turn != 0) svg.Out += " rotate(" + Number(-turn) + ")";
    svg.Out += "\"><path fill=\"#000000\" d=\"";
    double x = -length / 2;
    const double top = -height / 2;
    for (const char c : item.BarPattern) {
      const bool space = c >= '0' && c <= '3';
      const bool shortBar = c >= 'A' && c <= 'D';
      const int index = space ? c - '0' : shortBar ? c - 'A' : c - '5';
      const double w = std::max(item.BarWidths[static_cast<std::size_t>(index)], 0) * unit;
      if (!space && w > 0) {
        const double h = shortBar ? barHeight * 2 / 5 : barHeight;
        svg.Out += "M" + Number(x) + " " + Number(top + barHeight - h) + "h" + Number(w) + "v" +
                   Number(h) + "h" + Number(-w) + "z";
      }
      x += w;
    }
    svg.Out += "\"/>";
    if (item.ShowText) {
      TPictureFont font;
      font.Name = "Courier New";
      font.PixelSize = 12;
      svg.Text({-length / 2, top + barHeight, length, textHeight}, item.BarText, font, 2, 1,
               false);
    }
    svg.Out += "</g>";
  }
  Frame(svg, item, r);
}

void Bevel(TSvgPage& svg, const TBox& r, bool raised) {
  const char* light = "#ffffff";
  const char* dark = "#808080";
  svg.Line(r.Left, r.Top, r.Right(), r.Top, raised ? light : dark, 1);
  svg.Line(r.Left, r.Top, r.Left, r.Bottom(), raised ? light : dark, 1);
  svg.Line(r.Left, r.Bottom(), r.Right(), r.Bottom(), raised ? dark : light, 1);
  svg.Line(r.Right(), r.Top, r.Right(), r.Bottom(), raised ? dark : light, 1);
}

void Control(TSvgPage& svg, const TPictureItem& item, const TBox& r) {
  switch (item.ControlKind) {
    case TPictureControlKind::Label:
      Fill(svg, item, r);
      svg.Text(r, item.Text, item.Font, item.HorizontalAlign, item.VerticalAlign, item.WordWrap);
      break;
    case TPictureControlKind::Button:
      svg.Rect(r, item.Filled ? Colour(item.FillColor) : "#f0f0f0");
      Bevel(svg, r, true);
      svg.Text(r, item.Text, item.Font, 2, 1, false);
      break;
    case TPictureControlKind::Edit:
    case TPictureControlKind::ComboBox:
    case TPictureControlKind::DateEdit: {
      svg.Rect(r, "#ffffff");
      Bevel(svg, r, false);
      TBox field{r.Left + 3, r.Top + 1, std::max(0.0, r.Width - 6), std::max(0.0, r.Height - 2)};
      if (item.ControlKind != TPictureControlKind::Edit) {
        const double button = std::min(r.Height, 17.0);
        const TBox drop{r.Right() - button, r.Top + 1, button - 1, std::max(0.0, r.Height - 2)};
        svg.Rect(drop, "#f0f0f0");
        Bevel(svg, drop, true);
        const double x = drop.Left + drop.Width / 2, y = drop.Top + drop.Height / 2;
        svg.Out += "<polygon fill=\"#000000\" points=\"" + Number(x - 3) + "," + Number(y - 1) +
                   " " + Number(x + 3) + "," + Number(y - 1) + " " + Number(x) + "," +
                   Number(y + 2) + "\"/>";
        field.Width = std::max(0.0, drop.Left - 2 - field.Left);
      }
      svg.Text(field, item.Text, item.Font, 0, 1, false);
      break;
    }
    case TPictureControlKind::Memo:
    case TPictureControlKind::ListBox:
      svg.Rect(r, "#ffffff");
      Bevel(svg, r, false);
      svg.Text(r.Inset(3, 2), item.Text, item.Font, 0, 0,
               item.ControlKind == TPictureControlKind::Memo);
      break;
    case TPictureControlKind::CheckBox:
    case TPictureControlKind::RadioButton: {
      Fill(svg, item, r);
      const double side = std::min(13.0, std::max(r.Height - 2, 4.0));
      const bool markRight = item.HorizontalAlign == 1;
      const double markLeft = markRight ? r.Right() - side - 1 : r.Left + 1;
      const TBox mark{markLeft, r.Top + r.Height / 2 - side / 2, side, side};
      if (item.ControlKind == TPictureControlKind::RadioButton) {
        svg.Out += "<circle cx=\"" + Number(mark.Left + side / 2) + "\" cy=\"" +
                   Number(mark.Top + side / 2) + "\" r=\"" + Number(side / 2) +
                   "\" fill=\"#ffffff\" stroke=\"#404040\"/>";
        if (item.Checked) {
          svg.Out += "<circle cx=\"" + Number(mark.Left + side / 2) + "\" cy=\"" +
                     Number(mark.Top + side / 2) + "\" r=\"" + Number(side / 2 - side / 3.5) +
                     "\" fill=\"#000000\"/>";
        }
      } else {
        svg.Rect(mark, "#ffffff", "#404040");
        if (item.Checked) Mark(svg, mark, 1, "#000000");
      }
      const TBox label = markRight
                             ? TBox{r.Left, r.Top, std::max(0.0, mark.Left - r.Left - 4), r.Height}
                             : TBox{mark.Right() + 4, r.Top,
                                    std::max(0.0, r.Right() - mark.Right() - 4), r.Height};
      svg.Text(label, item.Text, item.Font, 0, 1, false);
      break;
    }
    default:
      svg.NamedBox(r, item.ClassName + "\n" + item.Name);
  }
}

void Item(TSvgPage& svg, const TPictureItem& item) {
  const TBox r = BoxOf(item.Rect);
  switch (item.Kind) {
    case TPictureItemKind::Memo: {
      Fill(svg, item, r);
      if (item.ShapeKind == 1 && item.RoundSize > 0 && item.FrameSides == 0xF) {
        const double corner = static_cast<double>(item.RoundSize) / 2;
        svg.Out += "<rect x=\"" + Number(r.Left) + "\" y=\"" + Number(r.Top) + "\" width=\"" +
                   Number(r.Width) + "\" height=\"" + Number(r.Height) + "\" rx=\"" +
                   Number(corner) + "\" fill=\"none\" stroke=\"" + Colour(item.FrameColor) +
                   "\" stroke-width=\"" + Number(std::max(item.FrameWidth, 0.5)) + "\"/>";
      } else {
        Frame(svg, item, r);
      }
      svg.Text(r.Inset(static_cast<double>(item.GapX), static_cast<double>(item.GapY)), item.Text,
               item.Font, item.HorizontalAlign == 3 ? 0 : item.HorizontalAlign,
               item.VerticalAlign, item.WordWrap, item.Rotation);
      break;
    }
    case TPictureItemKind::Line: {
      const std::string colour = Colour(item.FrameColor);
      const char* dash = DashOf(item.FrameStyle);
      if (r.Width <= 0 || (r.Height > 0 && r.Height >= r.Width && r.Width < 2)) {
        svg.Line(r.Left, r.Top, r.Left, r.Bottom(), colour, item.FrameWidth, dash, "butt");
      } else if (r.Height < 2) {
        svg.Line(r.Left, r.Top, r.Right(), r.Top, colour, item.FrameWidth, dash, "butt");
      } else {
        svg.Line(r.Left, r.Top, r.Right(), r.Bottom(), colour, item.FrameWidth, dash, "butt");
      }
      break;
    }
    case TPictureItemKind::Shape: {
      const double inset = std::max(item.FrameWidth, 0.5) / 2;
      const TBox f = r.Inset(inset, inset);
      const std::string fill = item.Filled ? Colour(item.FillColor) : "none";
      const std::string stroke = "\" stroke=\"" + Colour(item.FrameColor) + "\" stroke-width=\"" +
                                 Number(std::max(item.FrameWidth, 0.5)) + "\"";
      const char* dash = DashOf(item.FrameStyle);
      const std::string dashed =
          dash ? " stroke-dasharray=\"" + std::string(dash) + "\"" : std::string();
      switch (item.ShapeKind) {
        case 1:
          svg.Out += "<rect x=\"" + Number(f.Left) + "\" y=\"" + Number(f.Top) + "\" width=\"" +
                     Number(f.Width) + "\" height=\"" + Number(f.Height) + "\" rx=\"" +
                     Number(std::min(f.Width, f.Height) / 4) + "\" fill=\"" + fill + stroke +
                     dashed + "/>";
          break;
        case 2:
          svg.Out += "<ellipse cx=\"" + Number(f.Left + f.Width / 2) + "\" cy=\"" +
                     Number(f.Top + f.Height / 2) + "\" rx=\"" + Number(f.Width / 2) +
                     "\" ry=\"" + Number(f.Height / 2) + "\" fill=\"" + fill + stroke + dashed +
                     "/>";
          break;
        case 3:
          svg.Out += "<polygon points=\"" + Number(f.Left + f.Width / 2) + "," + Number(f.Top) +
                     " " + Number(f.Right()) + "," + Number(f.Bottom()) + " " + Number(f.Left) +
                     "," + Number(f.Bottom()) + "\" fill=\"" + fill + stroke + dashed + "/>";
          break;
        case 4:
          svg.Line(f.Left, f.Bottom(), f.Right(), f.Top, Colour(item.FrameColor), item.FrameWidth,
                   dash, "butt");
          break;
        case 5:
          svg.Line(f.Left, f.Top, f.Right(), f.Bottom(), Colour(item.FrameColor), item.FrameWidth,
                   dash, "butt");
          break;
        default:
          svg.Out += "<rect x=\"" + Number(f.Left) + "\" y=\"" + Number(f.Top) + "\" width=\"" +
                     Number(f.Width) + "\" height=\"" + Number(f.Height) + "\" fill=\"" + fill +
                     stroke + dashed + "/>";
      }
      break;
    }
    case TPictureItemKind::CheckBox:
      Fill(svg, item, r);
      if (item.Checked) Mark(svg, r, item.CheckStyle, Colour(item.CheckColor));
      Frame(svg, item, r);
      break;
    case TPictureItemKind::Picture: {
      Fill(svg, item, r);
      const char* type = MediaTypeOf(item.ImageKind, item.ImageBytes);
      if (type != nullptr) {
        svg.Out += "<image x=\"" + Number(r.Left) + "\" y=\"" + Number(r.Top) + "\" width=\"" +
                   Number(r.Width) + "\" height=\"" + Number(r.Height) +
                   "\" preserveAspectRatio=\"none\" href=\"data:" + type + ";base64,";
        AppendBase64(svg.Out, item.ImageBytes);
        svg.Out += "\"/>";
      } else {
        std::string text = Title(item) + "\n" + ImageKindName(item.ImageKind);
        if (!item.ImageBytes.empty()) text += "\n" + std::to_string(item.ImageBytes.size()) + " bytes";
        svg.NamedBox(r, text);
      }
      Frame(svg, item, r);
      break;
    }
    case TPictureItemKind::Barcode:
      Barcode(svg, item, r);
      break;
    case TPictureItemKind::RichText: {
      Fill(svg, item, r);
      Frame(svg, item, r);
      TPictureFont font;
      svg.Text(TBox{r.Left + 2, r.Top + 1, std::max(0.0, r.Width - 4), std::max(0.0, r.Height - 2)},
               item.Text, font, 0, 0, true);
      break;
    }
    case TPictureItemKind::Control:
      Control(svg, item, r);
      break;
    default:
      svg.NamedBox(r, item.ClassName + "\n" + item.Name);
      Frame(svg, item, r);
  }
}

void MarkNotes(TSvgPage& svg, const TBox& r, const std::vector<int>& notes) {
  if (notes.empty()) return;
  svg.Out += "<polygon fill=\"" + std::string(NoteColor) + "\" points=\"" + Number(r.Right()) +
             "," + Number(r.Top) + " " + Number(r.Right() - NoteCorner) + "," + Number(r.Top) + " " +
             Number(r.Right()) + "," + Number(r.Top + NoteCorner) + "\"/>";
  std::string numbers;
  for (const int n : notes) numbers += (numbers.empty() ? "" : ",") + std::to_string(n);
  svg.Out += "<text x=\"" + Number(r.Right() + 1) + "\" y=\"" + Number(r.Top + 7) +
             "\" font-family=\"Arial\" font-size=\"9\" font-weight=\"bold\" fill=\"" + NoteColor +
             "\">" + numbers + "</text>";
}

std::vector<std::string> LegendLines(const TPagePicture& picture, double width) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < picture.Notes.size(); ++i) {
    for (std::string& line : Lines(std::to_string(i + 1) + ". " + picture.Notes[i], width,
                                   LegendFontPixels, true)) {
      lines.push_back(std::move(line));
    }
  }
  return lines;
}

}  // namespace

std::string PagePictureSvg(const TPagePicture& picture) {
  const double width = static_cast<double>(std::max<std::int64_t>(picture.PaperWidth, 1));
  const double height = static_cast<double>(std::max<std::int64_t>(picture.PaperHeight, 1));
  const double top = picture.Dialog ? TitleHeight : 0;
  const std::vector<std::string> legend = LegendLines(picture, width - 8);
  const double lineHeight = LegendFontPixels * 1.3;
  const double legendHeight =
      legend.empty() ? 0 : 2 * LegendGap + lineHeight * static_cast<double>(legend.size());
  const double total = height + top + legendHeight;

  TSvgPage svg;
  svg.Out.reserve(4096 + picture.Items.size() * 400);
  svg.Out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(width) +
             "\" height=\"" + Number(total) + "\" viewBox=\"0 0 " + Number(width) + " " +
             Number(total) + "\">";
  svg.Out += "<title>";
  AppendXml(svg.Out, picture.Name);
  svg.Out += "</title>";
  svg.Rect({0, 0, width, total}, "#ffffff");
  if (picture.Dialog) {
    svg.Rect({0, 0, width, TitleHeight}, "#2b579a");
    TPictureFont font;
    font.PixelSize = 12;
    font.Bold = true;
    font.Color = 0xFFFFFF;
    svg.Text({6, 0, std::max(0.0, width - 12), TitleHeight}, picture.Caption, font, 0, 1, false);
    svg.Out += "<g transform=\"translate(0 " + Number(TitleHeight) + ")\">";
  }
  svg.Rect({0, 0, width, height}, Colour(picture.Color), "#606060", 1);
  if (!picture.Dialog) {
    svg.Rect({static_cast<double>(picture.MarginLeft), static_cast<double>(picture.MarginTop),
              static_cast<double>(picture.MarginRight - picture.MarginLeft),
              static_cast<double>(picture.MarginBottom - picture.MarginTop)},
             "none", "#a0a0c8", 1, "1 2");
  }
  TPictureFont bandFont;
  bandFont.PixelSize = 9;
  bandFont.Color = 0x707890;
  for (const TPictureBand& band : picture.Bands) {
    const TBox r = BoxOf(band.Rect);
    svg.Rect(r, "#f4f6fa");
    svg.Line(r.Left, r.Bottom(), r.Right(), r.Bottom(), "#b0b8c8", 1);
    svg.Text(TBox{r.Left + 2, r.Top, std::max(0.0, r.Width - 4), r.Height},
             band.TypeName + ": " + band.Name, bandFont, 0, 0, false);
  }
  for (const TPictureItem& item : picture.Items) Item(svg, item);
  for (const TPictureBand& band : picture.Bands) MarkNotes(svg, BoxOf(band.Rect), band.Notes);
  for (const TPictureItem& item : picture.Items) MarkNotes(svg, BoxOf(item.Rect), item.Notes);
  if (!legend.empty()) {
    svg.Out += "<text font-family=\"Arial\" font-size=\"" + Number(LegendFontPixels) +
               "\" fill=\"#000000\" xml:space=\"preserve\">";
    double y = height + LegendGap;
    for (const std::string& line : legend) {
      y += lineHeight;
      svg.Out += "<tspan x=\"4\" y=\"" + Number(y - lineHeight * 0.25) + "\">";
      AppendXml(svg.Out, line);
      svg.Out += "</tspan>";
    }
    svg.Out += "</text>";
  }
  if (picture.Dialog) svg.Out += "</g>";
  svg.Out += "</svg>";
  return std::move(svg.Out);
}

}  // namespace kv
