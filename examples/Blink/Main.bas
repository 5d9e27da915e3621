' Blink: flashes an LED, watches a sensor from a task and reports readings
' over the serial port.
Option Explicit

Public Const LedPin As Byte = 25
Private WatchStack(1 To 40) As Byte

Public Sub Main()
    Dim Count As Integer
    Call OpenSerial(9600)
    CallTask "Watchdog", WatchStack
    Do
        Call Blink(LedPin, 250)
        Count = Count + 1
        Call ReportReading(Count)
    Loop
End Sub

Private Sub Blink(ByVal Pin As Byte, ByVal Rate As Integer)
    Call PutPin(Pin, 1)
    Call Delay(CSng(Rate) / 1000.0)
    Call PutPin(Pin, 0)
End Sub

' Runs as a task beside Main: raises an alarm when the sensor reads high.
Public Sub Watchdog()
    Do
        Call Delay(1.0)
        If ReadSensor() > 200 Then
            Call SendText("Hot")
            Call Serial.SendNumber(ReadSensor())
        End If
    Loop
End Sub

' Kept for bench testing; the application never calls it.
Public Sub SelfTest()
    Call SendText("Self test")
    Call Blink(LedPin, 50)
    CallTask "Monitor", WatchStack
End Sub
