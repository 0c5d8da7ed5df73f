// Generates the input of the whole-command speed comparison (bench/source_vs_sed):
// a tree of Pascal units, text forms, project and package files that use the
// report library's names, and a 300-pair find/replace table (kv25x.dat) that
// renames them.
//
//   kv_bench_corpus OUTDIR [FILES [SEED]]
//     OUTDIR/kv25x.dat   the table: FIND=REPLACE per line, CR LF, "=" inside FIND
//                        or REPLACE stored as byte 0x02
//     OUTDIR/corpus/...  FILES files (default 3000) in nested folders
//
// The output depends on FILES and SEED only (own random generator, no library
// distributions). Every byte is printable ASCII, CR or LF, and every line of
// every file ends with CR LF, so a line-based tool and kv3conv can be compared
// byte for byte.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// splitmix64: small, fast and the same on every platform.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    size_t below(size_t n) { return n ? static_cast<size_t>(next() % n) : 0; }
    int range(int lo, int hi) { return lo + static_cast<int>(below(static_cast<size_t>(hi - lo + 1))); }
    bool chance(double p) { return unit() < p; }
    template <class T> const T& of(const std::vector<T>& v) { return v[below(v.size())]; }
    // Index in [0, n) skewed towards 0: a few names are everywhere, most are rare.
    size_t skewed(size_t n) { return std::min(n - 1, static_cast<size_t>(static_cast<double>(n) * unit() * unit())); }

private:
    uint64_t state_;
};

enum Kind { Unit, Class, Proc, Const, Global, KindCount };

struct Name {
    std::string text;
    std::string renamed;
    Kind kind;
    bool inTable = true;   // has a pair in the table
    bool emitted = true;   // may appear in the corpus
};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The report library's names and their new spelling. The order is the table's order.
std::vector<Name> libraryNames() {
    std::vector<Name> names;
    auto add = [&](Kind k, const std::string& from, const std::string& to) { names.push_back({from, to, k}); };
    auto kvx = [](const std::string& s) {  // kvFoo -> kvxFoo, TkvFoo -> TkvxFoo
        const size_t at = s.find("kv");
        return s.substr(0, at + 2) + "x" + s.substr(at + 2);
    };

    for (const char* u : {"kvClass", "kvDBSet", "kvDesign", "kvPrntr", "kvConst", "kvUtils", "kvPars",
                          "kvDBRel", "kvPrev", "kvView", "kvBarcod", "kvChart", "kvRich", "kvOLE",
                          "kvShape", "kvChBox", "kvCross", "kvDSet", "kvEvents", "kvIntrp", "kvExport",
                          "kvE_TXT", "kvE_RTF", "kvE_HTM", "kvE_CSV", "kvE_XLS", "kvDock", "kvDctrl",
                          "kvDBOp", "kvFmted", "kvGEdit", "kvHilit", "kvIEdit", "kvInsp", "kvPgopt",
                          "kvSearch", "kvTempl", "kvVared", "kvVbnd", "kvAbout", "kvBndEd", "kvDict",
                          "kvDocOpt", "kvEdit", "kvFlds", "kvFmted2", "kvPrdlg", "kvProgr", "kvReg",
                          "kvRoutines", "kvUnits", "kvNewRep", "kvCheckBox", "kvDbCross", "kvADOSet"})
        add(Unit, u, kvx(u));

    for (const char* c : {"TkvReport", "TkvCompositeReport", "TkvPage", "TkvPages", "TkvBand", "TkvView",
                          "TkvStretcheable", "TkvNonVisualControl", "TkvDesigner", "TkvDesignerForm",
                          "TkvPreview", "TkvPreviewForm", "TkvPrinter", "TkvParser", "TkvInterpretator",
                          "TkvVariables", "TkvValues", "TkvValue", "TkvFunctionLibrary",
                          "TkvStdFunctionLibrary", "TkvExportFilter", "TkvTextExport", "TkvRTFExport",
                          "TkvHTMExport", "TkvCSVExport", "TkvXLSExport", "TkvDBDataSet", "TkvUserDataset",
                          "TkvDataset", "TkvDBLookupControl", "TkvDBField", "TkvDataSource",
                          "TkvObjEditorForm", "TkvFmtForm", "TkvVarForm", "TkvEvForm", "TkvDocOptForm",
                          "TkvPgoptForm", "TkvBandEditorForm", "TkvHilightForm", "TkvAboutForm",
                          "TkvInsFieldsForm", "TkvTemplForm", "TkvDictionary", "TkvProgressForm"})
        add(Class, c, kvx(c));
    for (const char* k : {"Memo", "Picture", "Line", "Shape", "BarCode", "Chart", "Rich", "OLE", "CheckBox",
                          "SubReport", "Cross", "DBCross", "Calendar", "Gauge", "RoundRect", "Arrow",
                          "Sign", "Html", "Label", "Column", "Group", "Matrix", "Map", "Sparkline",
                          "Image", "Frame", "Text", "Cell"}) {
        add(Class, std::string("Tkv") + k + "View", std::string("Tkvx") + k + "View");
        add(Class, std::string("Tkv") + k + "Object", std::string("Tkvx") + k + "Object");
        add(Class, std::string("Tkv") + k + "Editor", std::string("Tkvx") + k + "Editor");
        add(Class, std::string("Tkv") + k + "Form", std::string("Tkvx") + k + "Form");
    }
    for (const char* d : {"Button", "Edit", "ComboBox", "ListBox", "DateEdit", "Panel", "RadioButton",
                          "Memo2", "GroupBox", "Lookup"})
        add(Class, std::string("Tkv") + d + "Control", std::string("Tkvx") + d + "Control");

    for (const char* p : {"kvRegisterObject", "kvRegisterExportFilter", "kvRegisterFunctionLibrary",
                          "kvRegisterTool", "kvUnRegisterObject", "kvLoadStr", "kvGetDataSet",
                          "kvCreateObject", "kvSetGlyph", "kvGetWindowsVersion", "kvParseDate",
                          "kvFormatNumber", "kvConvertBS", "kvIsBlob", "kvGetFieldValue", "kvSetFontStyle",
                          "kvGetFontStyle", "kvFindComponent", "kvGetDataField", "kvDesignerComp",
                          "kvSetPrinter", "kvGetPrinter", "kvShowProgress", "kvHideProgress", "kvStrToFloat",
                          "kvFloatToStr", "kvEvalExpression", "kvGetBrackedVariable", "kvSaveToStream",
                          "kvLoadFromStream"})
        add(Proc, p, kvx(p));

    for (const char* b : {"ReportTitle", "ReportSummary", "PageHeader", "PageFooter", "MasterHeader",
                          "MasterData", "MasterFooter", "DetailHeader", "DetailData", "DetailFooter",
                          "SubDetailHeader", "SubDetailData", "SubDetailFooter", "Overlay", "ColumnHeader",
                          "ColumnFooter", "GroupHeader", "GroupFooter", "CrossHeader", "CrossData",
                          "CrossFooter", "None"})
        add(Const, std::string("kvbt") + b, std::string("kvxbt") + b);
    for (const char* g : {"kvgtMemo", "kvgtPicture", "kvgtBand", "kvgtSubReport", "kvgtLine", "kvgtAddIn",
                          "kvmbShowModal", "kvmbShow", "kvpsA4", "kvpsLetter", "kvpsCustom", "kvftDate",
                          "kvftNumber", "kvftText", "kvftBoolean"})
        add(Const, g, kvx(g));

    for (const char* g : {"kvDesignerClass", "kvDialogForm", "kvGlobalVariables", "kvCharset", "kvVersion",
                          "kvDefaultPaper", "kvDocLoaded", "kvExportFilters", "kvAddIns", "kvFunctions",
                          "kvPrinter", "kvDefaultFont", "kvLocale", "kvConverter", "kvTempDir"})
        add(Global, g, kvx(g));
    for (const char* g : {"CurReport", "CurView", "CurPage", "CurBand", "CurValue"})
        add(Global, g, std::string("kvx") + g);
    return names;
}

const std::vector<std::string> kPlatformUnits = {"Windows", "Messages", "SysUtils", "Variants", "Classes",
                                            "Graphics", "Controls", "Forms", "Dialogs", "StdCtrls",
                                            "ExtCtrls", "DB", "DBTables", "ComCtrls", "Menus", "Buttons"};
const std::vector<std::string> kWords = {
    "report", "total", "invoice", "customer", "order", "amount", "page", "band", "sheet", "print",
    "preview", "designer", "stock", "price", "quantity", "date", "summary", "header", "footer", "group",
    "detail", "master", "field", "value", "the", "of", "for", "each", "and", "with", "when", "is", "not",
    "empty", "first", "last", "next", "line", "column", "margin", "font", "color", "width", "height"};
const std::vector<std::string> kFields = {"CustNo", "Company", "OrderNo", "SaleDate", "ItemsTotal",
                                          "AmountPaid", "PartNo", "Description", "Qty", "Discount",
                                          "ShipVia", "City", "Country", "Phone", "EmpNo", "LastName"};
const std::vector<std::string> kSubjects = {"Sales", "Stock", "Invoice", "Customer", "Orders", "Ledger",
                                            "Payroll", "Supplier", "Shipping", "Budget", "Audit", "Labels"};

// Pairs whose text holds "=" or characters a regular expression treats specially,
// each with the line that carries its FIND into the corpus.
struct Special {
    std::string find, replace, carrier;  // carrier is a .pas line or a .dfm property line
    bool dfm;
};
const std::vector<Special> kSpecials = {
    {"StoreInDFM = True", "StoreInForm = True", "    StoreInDFM = True", true},
    {"InitialZoom = pzDefault", "InitialZoom = zmDefault", "    InitialZoom = pzDefault", true},
    {"RebuildPrinter = False", "PrinterRebuild = False", "    RebuildPrinter = False", true},
    {"ModalPreview := True", "PreviewMode := pmModal", "  kvReport1.ModalPreview := True;", false},
    {"{$I kv.inc}", "{$I kvx.inc}", "{$I kv.inc}", false},
    {"{$IFDEF KV25}", "{$IFDEF KVX30}", "{$IFDEF KV25}", false},
    {"Pages[0]", "Pages.Items[0]", "  Page := kvReport1.Pages[0];", false},
    {"(* kv 2.5 *)", "(* kvx 3.0 *)", "(* kv 2.5 *)", false},
    {"Lib\\kv25\\", "Lib\\kvx30\\", "  Path := ExtractFilePath(ParamStr(0)) + 'Lib\\kv25\\';", false},
    {"'C:\\kv25\\*.frf'", "'C:\\kvx30\\*.kvx'", "  OpenDialog1.Filter := 'C:\\kv25\\*.frf';", false},
    {"^TkvPageInfo", "^TkvxPageInfo", "  PkvPageInfo = ^TkvPageInfo;", false},
    {"Rec^.kvHandle", "Rec^.kvxHandle", "  Rec^.kvHandle := 0;", false},
    {"http://www.kv-reports.example/", "http://kvx.example/docs/",
     "  ShellExecute(0, 'open', 'http://www.kv-reports.example/', nil, nil, SW_SHOW);", false},
    {"'Report Designer'", "'Report & Designer'", "  Caption := 'Report Designer';", false},
    {"'&Preview'", "'Pre&view'", "    Caption = '&Preview'", true},
    {"CurrencyString := '$", "CurrencyString := 'USD ", "  CurrencyString := '$';", false},
};

class Writer {
public:
    void line(const std::string& s) { buf_ += s; buf_ += "\r\n"; }
    size_t size() const { return buf_.size(); }
    const std::string& text() const { return buf_; }

private:
    std::string buf_;
};

// The names the corpus may use, by kind, most popular first. Popularity is drawn
// once per corpus so that it has nothing to do with the table's order.
struct Vocabulary {
    std::vector<Name> names;
    std::vector<size_t> byKind[KindCount];
    bool library = true;  // false: ordinary names only, none of the table's
};

// Names of units that have nothing to do with the report library.
Vocabulary plainVocabulary() {
    Vocabulary v;
    v.library = false;
    auto add = [&](Kind k, std::initializer_list<const char*> list) {
        for (const char* n : list) {
            v.byKind[k].push_back(v.names.size());
            v.names.push_back({n, n, k, false, true});
        }
    };
    add(Unit, {"StrUtils", "Math", "IniFiles", "Registry", "ShellAPI", "Printers", "Grids", "DBGrids"});
    add(Class, {"TStringList", "TButton", "TEdit", "TLabel", "TPanel", "TTable", "TQuery", "TDataSource",
                "TIniFile", "TBitmap", "TTimer", "TListBox", "TComboBox", "TMemo", "TStringGrid"});
    add(Proc, {"IntToStr", "StrToIntDef", "FormatFloat", "Trim", "UpperCase", "ExtractFileName"});
    add(Const, {"clWindow", "clBtnFace", "mrOk", "mrCancel", "alClient", "alTop", "taCenter"});
    add(Global, {"Application", "Screen", "Printer", "Clipboard", "Mouse"});
    return v;
}

// The names one file uses: a skewed sample, so most pairs hit some files but not all.
class Topic {
public:
    Topic(Rng& rng, const Vocabulary& v) : library(v.library), rng_(rng) {
        static const int lo[KindCount] = {2, 3, 1, 1, 1}, hi[KindCount] = {8, 14, 5, 6, 4};
        for (int k = 0; k < KindCount; ++k) {
            const std::vector<size_t>& pool = v.byKind[k];
            const int want = rng.range(lo[k], hi[k]);
            std::set<size_t> picked;
            for (int i = 0; i < want * 3 && static_cast<int>(picked.size()) < want; ++i)
                picked.insert(pool[rng.skewed(pool.size())]);
            for (size_t i : picked) chosen_[k].push_back(&v.names[i].text);
        }
    }
    // A name of the kind, in the spelling a sloppy programmer might use now and then.
    std::string name(Kind k) {
        const std::string& s = *chosen_[k][rng_.below(chosen_[k].size())];
        const double r = rng_.unit();
        if (r < 0.86) return s;
        if (r < 0.93) return lower(s);
        if (r < 0.96) return upper(s);
        std::string m = s;
        for (char& c : m) c = rng_.chance(0.5) ? static_cast<char>(std::toupper(c)) : static_cast<char>(std::tolower(c));
        return m;
    }
    const std::vector<const std::string*>& all(Kind k) const { return chosen_[k]; }
    const bool library;

private:
    Rng& rng_;
    std::vector<const std::string*> chosen_[KindCount];
};

std::string words(Rng& rng, int lo, int hi) {
    std::string s;
    for (int i = rng.range(lo, hi); i > 0; --i) s += (s.empty() ? "" : " ") + rng.of(kWords);
    return s;
}

std::string capital(std::string s) {
    if (!s.empty()) s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    return s;
}

void specialLine(Rng& rng, Writer& w, bool dfm, double p, bool library = true) {
    if (!library || !rng.chance(p)) return;
    std::vector<const Special*> fit;
    for (const Special& s : kSpecials)
        if (s.dfm == dfm) fit.push_back(&s);
    w.line(rng.of(fit)->carrier);
}

void statement(Rng& rng, Topic& t, Writer& w, const std::string& rep) {
    const std::string n = std::to_string(rng.range(0, 24));
    switch (rng.below(22)) {
    case 0: w.line("  " + rep + ".LoadFromFile('" + rng.of(kSubjects) + n + ".frf');"); break;
    case 1: w.line("  " + rep + ".PrepareReport;"); break;
    case 2: w.line("  if " + rep + ".PrepareReport then " + rep + ".ShowPreparedReport;"); break;
    case 3: w.line("  v := " + t.name(Class) + "(" + rep + ".FindObject('Memo" + n + "'));"); break;
    case 4:
        w.line("  if v is " + t.name(Class) + " then");
        w.line("    " + t.name(Class) + "(v).Memo.Text := '[" + rng.of(kFields) + "]';");
        break;
    case 5: w.line("  " + t.name(Proc) + "(" + t.name(Class) + ", nil, '" + words(rng, 1, 3) + "');"); break;
    case 6: w.line("  // " + capital(words(rng, 3, 10))); break;
    case 7: w.line("  { " + capital(words(rng, 2, 9)) + " }"); break;
    case 8: w.line("  Page := " + rep + (t.library ? ".Pages[" : ".Items[") + std::to_string(rng.range(0, 3)) + "];"); break;
    case 9: w.line("  b := Page.FindBand(" + t.name(Const) + ");"); break;
    case 10: w.line("  s := '" + capital(words(rng, 1, 6)) + "';"); break;
    case 11:
        w.line("  for i := 0 to " + rep + ".Pages.Count - 1 do");
        w.line("    " + rep + ".Pages[i].PageType := " + t.name(Const) + ";");
        break;
    case 12: w.line("  " + rep + ".Dataset := " + (t.library ? "kvDBDataSet" : "Table") + n + ";"); break;
    case 13: w.line("  " + t.name(Global) + ".Values['" + rng.of(kFields) + "'] := " + n + ";"); break;
    case 14:
        w.line("  with " + t.name(Class) + ".Create(" + rep + ") do");
        w.line("  try");
        w.line("    Name := '" + rng.of(kFields) + n + "';");
        w.line("    Visible := " + std::string(rng.chance(0.5) ? "True" : "False") + ";");
        w.line("  finally");
        w.line("    Free;");
        w.line("  end;");
        break;
    case 15:
        w.line("  if " + t.name(Global) + " <> nil then");
        w.line("    " + t.name(Global) + " := " + t.name(Class) + "(Sender);");
        break;
    case 16: w.line("  ParValue := " + t.name(Proc) + "(" + n + ");"); break;
    case 17:
        w.line("  case PageType of");
        w.line("    " + t.name(Const) + ": Inc(Count);");
        w.line("    " + t.name(Const) + ", " + t.name(Const) + ": Dec(Count);");
        w.line("  else");
        w.line("    Count := " + n + ";");
        w.line("  end;");
        break;
    case 18: w.line("  Total := Total + " + rng.of(kFields) + ".AsFloat * " + n + ".5;"); break;
    case 19: w.line("  ShowMessage(Format('%s: %d', [" + t.name(Class) + ".ClassName, " + n + "]));"); break;
    case 20:
        w.line("  " + std::string(t.library ? "TkvReport" : "TForm") + "(Sender).Caption := '" + rng.of(kSubjects) +
               " " + words(rng, 1, 3) + "';");
        break;
    default: specialLine(rng, w, false, 1.0, t.library); break;
    }
}

void procedure(Rng& rng, Topic& t, Writer& w, const std::string& owner, size_t limit) {
    const std::string rep = rng.chance(0.7) && t.library ? "kvReport1" : "Report" + std::to_string(rng.range(1, 4));
    const std::string name = owner + "." + rng.of(kWords) + rng.of(kSubjects) + std::to_string(rng.range(1, 99));
    if (rng.chance(0.3)) w.line("{ " + capital(words(rng, 4, 12)) + " }");
    w.line("procedure " + name + "(Sender: TObject);");
    w.line("var");
    w.line("  v: " + t.name(Class) + ";");
    w.line("  Page: " + t.name(Class) + ";");
    w.line("  i, Count: Integer;");
    w.line("  s: String;");
    w.line("begin");
    for (int i = rng.range(3, 28); i > 0 && w.size() < limit; --i) statement(rng, t, w, rep);
    w.line("end;");
    w.line("");
}

std::string pascalUnit(Rng& rng, const Vocabulary& names, const std::string& unitName,
                       const std::string& formClass, size_t target) {
    Topic t(rng, names);
    Writer w;
    w.line("unit " + unitName + ";");
    w.line("");
    if (rng.chance(0.5)) w.line("{ " + capital(words(rng, 4, 12)) + " }");
    specialLine(rng, w, false, 0.25, t.library);
    w.line("");
    w.line("interface");
    w.line("");
    w.line("uses");
    std::vector<std::string> units = kPlatformUnits;
    for (size_t i = units.size(); i > 1; --i) std::swap(units[i - 1], units[rng.below(i)]);
    std::string uses = " ";
    for (int i = rng.range(3, 9); i > 0; --i) uses += " " + units[static_cast<size_t>(i)] + ",";
    w.line(uses);
    uses = "  ";
    for (const std::string* u : t.all(Unit)) uses += (uses.size() > 2 ? ", " : "") + *u;
    w.line(uses + ";");
    w.line("");
    w.line("type");
    if (rng.chance(0.2)) specialLine(rng, w, false, 1.0, t.library);
    if (!formClass.empty()) {
        w.line("  " + formClass + " = class(TForm)");
        w.line("    kvReport1: " + (rng.chance(0.7) ? std::string("TkvReport") : t.name(Class)) + ";");
        for (int i = rng.range(1, 6); i > 0; --i)
            w.line("    kv" + rng.of(kSubjects) + std::to_string(i) + ": " + t.name(Class) + ";");
        w.line("    procedure kvReport1GetValue(const ParName: String; var ParValue: Variant);");
        w.line("  private");
        w.line("    { Private declarations }");
        w.line("  public");
        w.line("    { Public declarations }");
        w.line("  end;");
    } else {
        w.line("  T" + unitName + " = class(" + t.name(Class) + ")");
        w.line("  public");
        w.line("    procedure Draw(Canvas: TCanvas); override;");
        w.line("  end;");
    }
    w.line("");
    w.line("var");
    w.line("  " + (formClass.empty() ? unitName + "Obj: T" + unitName : formClass.substr(1) + ": " + formClass) + ";");
    w.line("");
    w.line("implementation");
    w.line("");
    if (!formClass.empty()) w.line("{$R *.DFM}");
    w.line("");
    const std::string owner = formClass.empty() ? "T" + unitName : formClass;
    const size_t tail = 64;
    while (w.size() + tail < target) procedure(rng, t, w, owner, target - tail);
    if (rng.chance(0.4)) {
        w.line("initialization");
        w.line("  " + t.name(Proc) + "(" + t.name(Class) + ", nil, '');");
    }
    w.line("end.");
    return w.text();
}

std::string hexLine(Rng& rng) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s = "      ";
    for (int i = 0; i < 64; ++i) s += digits[rng.below(16)];
    return s;
}

std::string textForm(Rng& rng, const Vocabulary& names, const std::string& formClass, size_t target) {
    Topic t(rng, names);
    Writer w;
    w.line("object " + formClass.substr(1) + ": " + formClass);
    w.line("  Left = " + std::to_string(rng.range(0, 400)));
    w.line("  Top = " + std::to_string(rng.range(0, 300)));
    w.line("  Width = " + std::to_string(rng.range(300, 900)));
    w.line("  Height = " + std::to_string(rng.range(200, 700)));
    w.line("  Caption = '" + rng.of(kSubjects) + " " + words(rng, 1, 3) + "'");
    w.line("  Font.Charset = DEFAULT_CHARSET");
    w.line("  Font.Name = 'MS Sans Serif'");
    w.line("  PixelsPerInch = 96");
    w.line("  TextHeight = 13");
    for (int obj = 1; w.size() + 16 < target; ++obj) {
        const std::string cls = t.name(Class);
        const bool report = rng.chance(0.5);
        w.line("  object " + (report ? std::string("kvReport") : "Obj") + std::to_string(obj) + ": " + cls);
        if (report) {
            w.line("    Dataset = kvDBDataSet" + std::to_string(obj));
            specialLine(rng, w, true, 0.6);
            w.line("    ShowProgress = " + std::string(rng.chance(0.5) ? "True" : "False"));
            w.line("    PreviewButtons = [pbZoom, pbLoad, pbSave, pbPrint, pbFind, pbHelp, pbExit]");
            w.line("    OnGetValue = kvReport" + std::to_string(obj) + "GetValue");
            w.line("    Left = " + std::to_string(rng.range(0, 400)));
            w.line("    Top = " + std::to_string(rng.range(0, 300)));
            w.line("    ReportForm = {");
            for (int i = rng.range(4, 120); i > 0 && w.size() + 16 < target; --i) w.line(hexLine(rng));
            w.line("      " + std::to_string(rng.range(10, 99)) + "00}");
        } else {
            w.line("    Caption = '" + capital(words(rng, 1, 3)) + "'");
            if (rng.chance(0.3)) specialLine(rng, w, true, 1.0);
            w.line("    Hint = '" + t.name(Class) + " " + t.name(Unit) + "'");
            w.line("    OnClick = " + t.name(Proc) + "Click");
        }
        w.line("  end");
    }
    w.line("end");
    return w.text();
}

std::string projectFile(Rng& rng, const std::string& name, const std::vector<std::string>& units) {
    Writer w;
    w.line("program " + name + ";");
    w.line("");
    w.line("uses");
    w.line("  Forms,");
    for (const std::string& u : units) w.line("  " + u + " in '" + u + ".pas',");
    w.line("  kvClass, kvDesign;");
    w.line("");
    w.line("{$R *.RES}");
    w.line("");
    w.line("begin");
    w.line("  Application.Initialize;");
    w.line("  Application.Title := '" + rng.of(kSubjects) + " reports';");
    w.line("  kvDesignerClass := TkvDesigner;");
    w.line("  Application.Run;");
    w.line("end.");
    return w.text();
}

std::string packageFile(Rng& rng, const std::vector<Name>& names, const std::string& name) {
    Writer w;
    w.line("package " + name + ";");
    w.line("");
    w.line("{$R *.RES}");
    w.line("{$DESCRIPTION 'Report add-ins'}");
    w.line("");
    w.line("requires");
    w.line("  basepkg, dbpkg;");
    w.line("");
    w.line("contains");
    std::vector<std::string> units;
    for (const Name& n : names)
        if (n.kind == Unit && n.emitted && rng.chance(0.4)) units.push_back(n.text);
    for (size_t i = 0; i < units.size(); ++i)
        w.line("  " + units[i] + " in '" + units[i] + ".pas'" + (i + 1 < units.size() ? "," : ";"));
    if (units.empty()) w.line("  kvReg in 'kvReg.pas';");
    w.line("");
    w.line("end.");
    return w.text();
}

// Files outside the scanned masks: both sides must leave them alone.
std::string notesFile(Rng& rng, const std::vector<Name>& names) {
    Writer w;
    w.line("Notes on the report migration");
    for (int i = rng.range(5, 40); i > 0; --i) w.line(rng.of(names).text + " " + words(rng, 2, 8));
    return w.text();
}

size_t targetSize(Rng& rng) {
    return static_cast<size_t>(std::exp(std::log(1024.0) + rng.unit() * (std::log(40960.0) - std::log(1024.0))));
}

// One table line: "=" inside FIND or REPLACE is stored as byte 0x02.
std::string tableLine(const std::string& find, const std::string& replace) {
    std::string out = find + '=' + replace;
    std::replace(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(find.size()), '=', '\x02');
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(find.size()) + 1, out.end(), '=', '\x02');
    return out + "\r\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::cerr << "usage: kv_bench_corpus OUTDIR [FILES [SEED]]\n";
        return 2;
    }
    const fs::path out = argv[1];
    const long files = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 3000;
    const unsigned long long seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
    if (files < 1) {
        std::cerr << "kv_bench_corpus: FILES must be at least 1\n";
        return 2;
    }
    Rng rng(seed * 0x2545F4914F6CDD1Dull + 17);

    // 300 pairs: the library's names, the special pairs spread among them and one pair
    // that works on an earlier pair's output. A few names stay out of the table (the
    // corpus keeps them as they are); a few table names never appear in the corpus.
    const size_t tablePairs = 300;
    Vocabulary voc{libraryNames(), {}};
    std::vector<Name>& names = voc.names;
    const size_t fromNames = tablePairs - kSpecials.size() - 1;
    {
        std::set<std::string> seen;
        for (const Name& n : names)
            if (!seen.insert(lower(n.text)).second) {
                std::cerr << "kv_bench_corpus: name listed twice: " << n.text << "\n";
                return 1;
            }
        if (names.size() < fromNames) {
            std::cerr << "kv_bench_corpus: " << names.size() << " names, the table needs " << fromNames << "\n";
            return 1;
        }
        std::vector<size_t> order(names.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        for (size_t i = order.size(); i > 1; --i) std::swap(order[i - 1], order[rng.below(i)]);
        for (size_t i = fromNames; i < order.size(); ++i) names[order[i]].inTable = false;
        int hide[KindCount] = {0, 18, 6, 0, 0};
        for (size_t i = 0; i < fromNames; ++i)
            if (hide[names[order[i]].kind] > 0) {
                --hide[names[order[i]].kind];
                names[order[i]].emitted = false;
            }
        for (size_t i = names.size(); i > 1; --i) std::swap(order[i - 1], order[rng.below(i)]);
        for (size_t i : order)
            if (names[i].emitted) voc.byKind[names[i].kind].push_back(i);
    }

    const Vocabulary plain = plainVocabulary();

    std::error_code ec;
    fs::create_directories(out / "corpus", ec);
    if (ec) {
        std::cerr << "kv_bench_corpus: cannot create " << (out / "corpus").string() << ": " << ec.message() << "\n";
        return 1;
    }
    auto save = [&](const fs::path& p, const std::string& text) {
        fs::create_directories(p.parent_path());
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        f.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!f) {
            std::cerr << "kv_bench_corpus: cannot write " << p.string() << "\n";
            std::exit(1);
        }
        return text.size();
    };

    {
        std::string table;
        size_t pairs = 0, special = 0, named = 0;
        const size_t every = fromNames / kSpecials.size();
        for (const Name& n : names) {
            if (!n.inTable) continue;
            table += tableLine(n.text, n.renamed), ++pairs, ++named;
            if (n.text == "TkvPreviewForm") table += tableLine(n.renamed, "TkvxPreviewWindow"), ++pairs;
            if (named % every == 0 && special < kSpecials.size())
                table += tableLine(kSpecials[special].find, kSpecials[special].replace), ++pairs, ++special;
        }
        for (; special < kSpecials.size(); ++special)
            table += tableLine(kSpecials[special].find, kSpecials[special].replace), ++pairs;
        if (table.find("TkvxPreviewWindow") == std::string::npos)
            table += tableLine("TkvxPreviewForm", "TkvxPreviewWindow"), ++pairs;
        if (pairs != tablePairs) {
            std::cerr << "kv_bench_corpus: " << pairs << " pairs instead of " << tablePairs << "\n";
            return 1;
        }
        save(out / "kv25x.dat", table);
    }

    const std::vector<std::string> folders = {"", "Sales", "Sales/Reports", "Sales/Reports/Monthly", "Stock",
                                              "Stock/Forms", "Shared Forms", "Common/Lib", "Common/Lib/kv",
                                              "Legacy/Old/Forms/Print"};
    long count = 0;
    size_t bytes = 0;
    std::vector<std::string> recentUnits;
    for (int serial = 1; count < files; ++serial) {
        const fs::path dir = out / "corpus" / rng.of(folders);
        const std::string subject = rng.of(kSubjects);
        const double kind = rng.unit();
        if (kind < 0.45 && files - count >= 2) {  // a form: unit and text form side by side
            const std::string unit = "fm" + subject + std::to_string(serial);
            const std::string cls = "T" + subject + "Form" + std::to_string(serial);
            bytes += save(dir / (unit + ".pas"), pascalUnit(rng, voc, unit, cls, targetSize(rng)));
            bytes += save(dir / (unit + ".dfm"), textForm(rng, voc, cls, targetSize(rng)));
            count += 2;
            recentUnits.push_back(unit);
        } else if (kind < 0.93) {
            const std::string unit = subject + "Lib" + std::to_string(serial);
            const bool library = rng.chance(0.85);
            bytes += save(dir / (unit + ".pas"), pascalUnit(rng, library ? voc : plain, unit, "", targetSize(rng)));
            ++count;
            recentUnits.push_back(unit);
        } else if (kind < 0.96) {
            if (recentUnits.size() > 6) recentUnits.erase(recentUnits.begin(), recentUnits.end() - 6);
            bytes += save(dir / (subject + "Project" + std::to_string(serial) + ".dpr"),
                          projectFile(rng, subject + "Project" + std::to_string(serial), recentUnits));
            ++count;
        } else if (kind < 0.98) {
            bytes += save(dir / ("kvAddIns" + std::to_string(serial) + ".dpk"),
                          packageFile(rng, names, "kvAddIns" + std::to_string(serial)));
            ++count;
        } else {
            bytes += save(dir / ("Notes" + std::to_string(serial) + (rng.chance(0.5) ? ".txt" : ".inc")),
                          notesFile(rng, names));
            ++count;
        }
    }

    size_t hidden = 0;
    for (const Name& n : names) hidden += n.inTable && !n.emitted;
    std::cout << count << " files, " << bytes << " bytes, " << tablePairs << " pairs (" << hidden
              << " renaming names the corpus never uses)\n";
    return 0;
}
