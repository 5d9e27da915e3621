' Serial: text output on COM1.
Option Explicit

Private OutQueue(1 To 20) As Byte
Private InQueue(1 To 10) As Byte

Public Sub OpenSerial(ByVal Baud As Long)
    Call OpenQueue(OutQueue, 20)
    Call OpenQueue(InQueue, 10)
    Call OpenCom(1, Baud, InQueue, OutQueue)
End Sub

Public Sub SendText(ByVal Text As String)
    Dim i As Integer
    For i = 1 To Len(Text)
        Call SendByte(Asc(Mid(Text, i, 1)))
    Next
End Sub

Private Sub SendByte(ByVal Value As Byte)
    Call PutQueue(OutQueue, Value, 1)
End Sub

' Digits go out most significant first, by recursion.
Public Sub SendNumber(ByVal Value As Integer)
    If Value >= 10 Then
        Call SendNumber(Value \ 10)
    End If
    Call SendByte(CByte(Value Mod 10) + 48)
End Sub
