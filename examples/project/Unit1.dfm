object MainForm: TMainForm
  Left = 200
  Top = 120
  Width = 420
  Height = 240
  Caption = 'Kolvex reports'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Name = 'MS Sans Serif'
  OldCreateOrder = False
  PixelsPerInch = 96
  TextHeight = 13
  object kvReport1: TkvReport
    Dataset = kvDBDataSet1
    InitialZoom = pzDefault
    ModalPreview = False
    PreviewButtons = [pbZoom, pbLoad, pbSave, pbPrint, pbFind, pbHelp, pbExit]
    Left = 16
    Top = 16
    ReportForm = {18000000}
  end
  object kvDBDataSet1: TkvDBDataSet
    Left = 48
    Top = 16
  end
  object kvDesigner1: TkvDesigner
    Left = 80
    Top = 16
  end
  object kvShapeObject1: TkvShapeObject
    Left = 112
    Top = 16
  end
  object kvCheckBoxObject1: TkvCheckBoxObject
    Left = 144
    Top = 16
  end
  object btnPreview: TButton
    Left = 16
    Top = 64
    Caption = 'Preview'
    OnClick = btnPreviewClick
  end
  object btnDesign: TButton
    Left = 104
    Top = 64
    Caption = 'Design'
    OnClick = btnDesignClick
  end
end
