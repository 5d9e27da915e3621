' Sensor: a filtered analog reading with automatic recalibration.
Option Explicit

Private Offset As Integer

Public Function ReadSensor() As Integer
    Dim Raw As Integer
    Raw = GetADC(13)
    If Raw > 1000 Then
        Call Recalibrate()
        Raw = GetADC(13)
    End If
    ReadSensor = Filter(Raw - Offset)
End Function

Private Function Filter(ByVal Raw As Integer) As Integer
    Static Last As Integer
    Filter = (Last + Raw) \ 2
    Last = Filter
End Function

' Takes a fresh reading as the new zero point.
Private Sub Recalibrate()
    Offset = 0
    Offset = ReadSensor() _
        - 512
End Sub

Public Sub ReportReading(ByVal Count As Integer)
    Call SendText("Reading ")
    Call SendNumber(ReadSensor())
    If Count Mod 100 = 0 Then
        Call SendText(" (calibrated)")
    End If
End Sub

' Reports a reading every five seconds, as a task of its own.
Public Sub Monitor()
    Do
        Call ReportReading(0)
        Call Delay(5.0)
    Loop
End Sub
