unit Unit1;

interface

uses
  Windows, Messages, SysUtils, Classes, Graphics, Controls, Forms, Dialogs,
  StdCtrls, kvClass, kvDBSet, kvDesign, kvShape, kvChBox;

type
  TMainForm = class(TForm)
    kvReport1: TkvReport;
    kvDBDataSet1: TkvDBDataSet;
    kvDesigner1: TkvDesigner;
    kvShapeObject1: TkvShapeObject;
    kvCheckBoxObject1: TkvCheckBoxObject;
    btnPreview: TButton;
    btnDesign: TButton;
    procedure btnPreviewClick(Sender: TObject);
    procedure btnDesignClick(Sender: TObject);
  private
    procedure AddTitle(Page: TkvPage);
  end;

var
  MainForm: TMainForm;

implementation

{$R *.DFM}

procedure TMainForm.AddTitle(Page: TkvPage);
var
  Memo: TkvMemoView;
begin
  { Titles are memo views on the report's first page. }
  Memo := TkvMemoView(kvCreateObject(gtMemo, ''));
  Memo.Parent := Page;
  Memo.Memo.Text := 'Monthly sales';
end;

procedure TMainForm.btnPreviewClick(Sender: TObject);
begin
  kvReport1.LoadFromFile('Sales.kvf');
  kvReport1.ModalPreview := True;
  kvReport1.ShowReport;
end;

procedure TMainForm.btnDesignClick(Sender: TObject);
begin
  kvReport1.DesignReport;
end;

end.
