Attribute VB_Name = "Cutter"
' Kerfmax host macro: the "Cutting" toolbar command runs Kerfmax.Cutter.Cutting.
' It writes the selected shapes (or, with nothing selected, the whole current
' page) as a Kerfmax job file into the temporary folder and starts Kerfmax
' with that file's path.
'
' Job file: one record per line (line breaks are ignored by the reader),
'   PUx,y;                 knife up, move to the point
'   PDx,y;                 cut a straight line to the point
'   BZx1,y1,x2,y2,x3,y3;   cut a cubic Bezier: two control points, end point
'   SP0;                   end of job
' in whole plotter units, 40 per millimetre, y pointing up (as on the page),
' in the order the host keeps shapes, subpaths and segments.
Option Explicit

Private Const UNITS_PER_MM As Double = 40#
Private Const JOB_FILE_NAME As String = "KerfmaxJob.hb"
Private Const PROGRAM_FILE_NAME As String = "Kerfmax.exe"
' Where the installer puts Kerfmax; edited by hand for other folders.
Private Const PROGRAM_FOLDER As String = ""

Public Sub Cutting()
    If Documents.Count = 0 Then
        MsgBox "Open a drawing first.", vbExclamation, "Kerfmax"
        Exit Sub
    End If

    Dim shapesToCut As ShapeRange
    If ActiveSelectionRange.Count > 0 Then
        Set shapesToCut = ActiveSelectionRange
    Else
        Set shapesToCut = ActivePage.Shapes.All
    End If
    If shapesToCut.Count = 0 Then
        MsgBox "There is nothing to cut on this page.", vbExclamation, "Kerfmax"
        Exit Sub
    End If

    Dim program As String
    program = FindKerfmax()
    If program = "" Then
        MsgBox "Kerfmax.exe was not found. Set PROGRAM_FOLDER in the Cutter module.", vbExclamation, "Kerfmax"
        Exit Sub
    End If

    Dim jobPath As String
    jobPath = TemporaryFolder() & JOB_FILE_NAME
    If Not WriteJobFile(jobPath, shapesToCut) Then Exit Sub

    Shell """" & program & """ """ & jobPath & """", vbNormalFocus
End Sub

' Writes the job; False (after telling the user) when the file cannot be written.
Private Function WriteJobFile(ByVal jobPath As String, ByVal shapesToCut As ShapeRange) As Boolean
    Dim savedUnit As cdrUnit
    Dim fileNumber As Integer
    savedUnit = ActiveDocument.Unit
    On Error GoTo Failed
    ActiveDocument.Unit = cdrMillimeter
    fileNumber = FreeFile
    Open jobPath For Output As #fileNumber

    Dim s As Shape
    For Each s In shapesToCut
        WriteShape fileNumber, s
    Next s
    Print #fileNumber, "SP0;"
    Close #fileNumber
    ActiveDocument.Unit = savedUnit
    WriteJobFile = True
    Exit Function

Failed:
    Dim reason As String
    reason = Err.Description
    If fileNumber <> 0 Then Close #fileNumber
    ActiveDocument.Unit = savedUnit
    MsgBox "The job file " & jobPath & " could not be written: " & reason, vbExclamation, "Kerfmax"
    WriteJobFile = False
End Function

' Groups are walked member by member; curves are written as they are; other
' shapes (rectangles, ellipses, text...) through a curve copy that is removed again.
Private Sub WriteShape(ByVal fileNumber As Integer, ByVal s As Shape)
    Select Case s.Type
    Case cdrGroupShape
        Dim member As Shape
        For Each member In s.Shapes
            WriteShape fileNumber, member
        Next member
    Case cdrCurveShape
        WriteCurve fileNumber, s.Curve
    Case cdrBitmapShape, cdrGuidelineShape
        ' Nothing to cut.
    Case Else
        WriteConvertedCopy fileNumber, s
    End Select
End Sub

Private Sub WriteConvertedCopy(ByVal fileNumber As Integer, ByVal s As Shape)
    Dim curveCopy As Shape
    On Error Resume Next
    Set curveCopy = s.Duplicate
    If curveCopy Is Nothing Then Exit Sub
    curveCopy.ConvertToCurves
    If Err.Number = 0 Then
        On Error GoTo 0
        If curveCopy.Type = cdrCurveShape Then
            WriteCurve fileNumber, curveCopy.Curve
        ElseIf curveCopy.Type = cdrGroupShape Then
            WriteShape fileNumber, curveCopy
        End If
    End If
    On Error Resume Next
    curveCopy.Delete
End Sub

Private Sub WriteCurve(ByVal fileNumber As Integer, ByVal c As Curve)
    Dim path As SubPath
    Dim seg As Segment
    For Each path In c.SubPaths
        Print #fileNumber, "PU" & PointText(path.StartNode.PositionX, path.StartNode.PositionY) & ";"
        ' A closed subpath's last segment leads back to its start node.
        For Each seg In path.Segments
            If seg.Type = cdrCurveSegment Then
                Print #fileNumber, "BZ" & PointText(seg.StartingControlPointX, seg.StartingControlPointY) & "," & _
                    PointText(seg.EndingControlPointX, seg.EndingControlPointY) & "," & _
                    PointText(seg.EndNode.PositionX, seg.EndNode.PositionY) & ";"
            Else
                Print #fileNumber, "PD" & PointText(seg.EndNode.PositionX, seg.EndNode.PositionY) & ";"
            End If
        Next seg
    Next path
End Sub

' Millimetres to plotter units, rounded to whole units, as "x,y".
Private Function PointText(ByVal xMm As Double, ByVal yMm As Double) As String
    PointText = CStr(CLng(xMm * UNITS_PER_MM)) & "," & CStr(CLng(yMm * UNITS_PER_MM))
End Function

Private Function TemporaryFolder() As String
    Dim folder As String
    folder = Environ$("TEMP")
    If folder = "" Then folder = Environ$("TMP")
    If Right$(folder, 1) <> "\" Then folder = folder & "\"
    TemporaryFolder = folder
End Function

Private Function FindKerfmax() As String
    ' The installer writes to the 64-bit Program Files, which a 32-bit host
    ' sees only as ProgramW6432 (its ProgramFiles is the x86 folder).
    Dim candidates(3) As String
    candidates(0) = PROGRAM_FOLDER
    candidates(1) = Environ$("ProgramW6432") & "\Kerfmax"
    candidates(2) = Environ$("ProgramFiles") & "\Kerfmax"
    candidates(3) = Environ$("ProgramFiles(x86)") & "\Kerfmax"
    Dim i As Integer
    For i = LBound(candidates) To UBound(candidates)
        If candidates(i) <> "" Then
            If Dir$(candidates(i) & "\" & PROGRAM_FILE_NAME) <> "" Then
                FindKerfmax = candidates(i) & "\" & PROGRAM_FILE_NAME
                Exit Function
            End If
        End If
    Next i
    FindKerfmax = ""
End Function
