unit Unit2;

interface

uses
  SysUtils, Classes, Forms, kvClass, kvDBSet, kvBarcode;

type
  TReportForm = class(TForm)
    kvReport2: TkvReport;
    kvDBDataSet2: TkvDBDataSet;
    kvBarCodeObject1: TkvBarCodeObject;
  public
    procedure PrintLabels(const FileName: string);
  end;

var
  ReportForm: TReportForm;

implementation

{$R *.DFM}

procedure TReportForm.PrintLabels(const FileName: string);
var
  Barcode: TkvBarCodeView;
begin
  kvReport2.LoadFromFile(FileName);
  Barcode := kvReport2.FindObject('Barcode1') as TkvBarCodeView;
  if Barcode <> nil then
    Barcode.Memo.Text := '[Orders."OrderNo"]';
  kvReport2.PrepareReport;
  kvReport2.PrintPreparedReport('', 1, True, frAll);
end;

end.
