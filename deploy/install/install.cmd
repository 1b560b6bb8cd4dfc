@echo off
rem Puts zelvane.exe where only administrators can write: %ProgramFiles%\Zelvane, the 64-bit
rem Program Files on 64-bit Windows (%ProgramW6432%, whichever bitness runs this). The install
rem command of an Intune Win32 app or a Configuration Manager application, run as SYSTEM from
rem a package that holds this file and the release's zelvane-x64.exe and zelvane-x86.exe.
setlocal
set SOURCE=%~dp0zelvane-x86.exe
set FOLDER=%ProgramFiles%\Zelvane
if defined ProgramW6432 set SOURCE=%~dp0zelvane-x64.exe
if defined ProgramW6432 set FOLDER=%ProgramW6432%\Zelvane
if not exist "%FOLDER%\" mkdir "%FOLDER%"
copy /b /y "%SOURCE%" "%FOLDER%\zelvane.exe" >nul
if errorlevel 1 exit /b 1
exit /b 0
