{ The peer of kv3conv dfm2txt in bench/dfm2txt_vs_fpc: a binary form file to its text form with
  the Free Pascal runtime's own stream conversion, one form per process.
  Usage: formtotext IN OUT }
program FormToText;

{$mode objfpc}{$H+}

uses
  Classes, SysUtils;

var
  Input, Output: TFileStream;
  B: Byte;
  W: Word;
  L: LongWord;
begin
  if ParamCount <> 2 then
  begin
    WriteLn(StdErr, 'usage: formtotext IN OUT');
    Halt(2);
  end;
  Input := TFileStream.Create(ParamStr(1), fmOpenRead or fmShareDenyNone);
  try
    { A resource header (0xFF, type, name and 0, memory flags, size) comes before the form. }
    Input.ReadBuffer(B, 1);
    if B = $FF then
    begin
      Input.ReadBuffer(W, 2);
      repeat
        Input.ReadBuffer(B, 1);
      until B = 0;
      Input.ReadBuffer(W, 2);
      Input.ReadBuffer(L, 4);
    end
    else
      Input.Position := 0;
    Output := TFileStream.Create(ParamStr(2), fmCreate);
    try
      ObjectBinaryToText(Input, Output);
    finally
      Output.Free;
    end;
  finally
    Input.Free;
  end;
end.
