' Undoes add-to-startup.vbs: removes the notifier's shortcut from the current user's Startup
' folder, and nothing else. The program folder and MyNumber.txt stay as they are.
Option Explicit
Dim files, shortcut
Set files = CreateObject("Scripting.FileSystemObject")
' The user's Startup folder (ssfSTARTUP), as add-to-startup.vbs finds it.
shortcut = files.BuildPath(CreateObject("Shell.Application").Namespace(7).Self.Path, _
    "Tarvolin Internet Notifier.lnk")
If files.FileExists(shortcut) Then
    files.DeleteFile shortcut
    WScript.Echo "Tarvolin Internet Notifier no longer starts at login."
Else
    WScript.Echo "Tarvolin Internet Notifier was not set to start at login; nothing to remove."
End If
