// Component paths and data-field references.
#include "legacy/ComponentPath.h"

#include <vector>

#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Report.h"

namespace kv {

namespace {

// The longest piece a double quote starts.
constexpr std::size_t MaxQuotedPiece = 255;

// A reference cut at its dots: the pieces and the number of dots that cut it.
struct TCutReference {
  std::vector<std::string_view> Pieces;
  int Separators = 0;
};

// Cuts left to right: a dot ends the current piece (an empty one too); a double quote ends the
// cutting, the text from the quote on (at most 255 characters, dots included) being the last
// piece; at the end of the text, what follows the last dot is the last piece unless it is empty.
TCutReference Cut(std::string_view text) {
  TCutReference cut;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '.') {
      cut.Pieces.push_back(text.substr(start, i - start));
      ++cut.Separators;
      start = i + 1;
    } else if (text[i] == '"') {
      cut.Pieces.push_back(text.substr(i, MaxQuotedPiece));
      return cut;
    }
  }
  if (start < text.size()) cut.Pieces.push_back(text.substr(start));
  return cut;
}

// The field name of a field piece: without its double quotes when it is longer than two
// characters and both begins and ends with one.
std::string FieldNameOf(std::string_view piece) {
  if (piece.size() > 2 && piece.front() == '"' && piece.back() == '"') {
    return std::string(piece.substr(1, piece.size() - 2));
  }
  return std::string(piece);
}

// The field name when dataset is a database dataset that has that field; otherwise empty.
TFieldReference Checked(TComponent* dataset, std::string_view fieldPiece) {
  TFieldReference result;
  result.Dataset = dataset;
  const std::string name = FieldNameOf(fieldPiece);
  const auto* database = dynamic_cast<const TFieldNames*>(dataset);
  if (database && !name.empty() && database->HasFieldName(name)) result.FieldName = name;
  return result;
}

TComponent* CurrentReportOwner(const TConversionContext& context) {
  const TkvReport* report = context.Load.CurrentReport;
  return report ? report->Owner() : nullptr;
}

}  // namespace

TComponent* FindComponentByPath(TConversionContext& context, TComponent* owner,
                                std::string_view path) {
  try {
    const std::size_t dot = path.find('.');
    if (dot == std::string_view::npos) return owner ? owner->FindComponent(path) : nullptr;
    TComponent* form = context.Application.FindForm(path.substr(0, dot));
    if (!form) return nullptr;
    const std::string_view rest = path.substr(dot + 1);
    const std::size_t second = rest.find('.');
    if (second == std::string_view::npos) return form->FindComponent(rest);
    TComponent* middle = form->FindComponent(rest.substr(0, second));
    return middle ? middle->FindComponent(rest.substr(second + 1)) : nullptr;
  } catch (const std::exception&) {
    throw EClassNotFound("Missing " + std::string(path));
  }
}

TFieldReference ResolveFieldReference(TConversionContext& context, std::string_view text) {
  TComponent* remembered = nullptr;
  return ResolveFieldReference(context, text, remembered);
}

TFieldReference ResolveFieldReference(TConversionContext& context, std::string_view text,
                                      TComponent*& remembered) {
  const TCutReference cut = Cut(text);
  const auto& pieces = cut.Pieces;
  if (cut.Separators > 3) return {};
  // A reference that ends with a dot lacks the piece its dots promise: it names nothing.
  if (cut.Separators > 0 && pieces.size() != static_cast<std::size_t>(cut.Separators) + 1) {
    return {};
  }

  TComponent* dataset = nullptr;
  switch (cut.Separators) {
    case 0:
      break;
    case 1:
      dataset = FindComponentByPath(context, CurrentReportOwner(context), pieces[0]);
      break;
    default:
      if (TComponent* form = context.Application.FindForm(pieces[0])) {
        dataset = form->FindComponent(pieces[1]);
        if (dataset && cut.Separators == 3) dataset = dataset->FindComponent(pieces[2]);
      }
      break;
  }
  const std::string_view fieldPiece = pieces.empty() ? std::string_view() : pieces.back();
  if (dataset) {
    remembered = dataset;
    return Checked(dataset, fieldPiece);
  }
  // The text does not determine a dataset: its field part may belong to the one before.
  if (!remembered || pieces.empty()) return {};
  return Checked(remembered, fieldPiece);
}

}  // namespace kv
