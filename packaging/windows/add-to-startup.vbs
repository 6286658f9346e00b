' Starts Tarvolin Internet Notifier at every login of the current user: puts a shortcut to
' tarvolin-notifier.exe (the one in this script's folder) into the user's Startup folder.
' remove-from-startup.vbs takes it away again. After moving the folder, run it again.
Option Explicit
Dim shell, files, folder, program, startup, shortcut
Set shell = CreateObject("WScript.Shell")
Set files = CreateObject("Scripting.FileSystemObject")
folder = files.GetParentFolderName(WScript.ScriptFullName)
program = files.BuildPath(folder, "tarvolin-notifier.exe")
If Not files.FileExists(program) Then
    WScript.Echo "tarvolin-notifier.exe is not in " & folder & "." & vbCrLf & _
        "Keep this script in the folder of the program."
    WScript.Quit 1
End If

' The user's Startup folder (ssfSTARTUP), wherever the user's profile keeps it.
startup = CreateObject("Shell.Application").Namespace(7).Self.Path
Set shortcut = shell.CreateShortcut(files.BuildPath(startup, "Tarvolin Internet Notifier.lnk"))
shortcut.TargetPath = program
shortcut.WorkingDirectory = folder
shortcut.IconLocation = program & ",0"
shortcut.Description = "Notices of the mobile data service in the notification area"
shortcut.Save
WScript.Echo "Tarvolin Internet Notifier now starts at every login." & vbCrLf & _
    "The shortcut is in " & startup & "."
