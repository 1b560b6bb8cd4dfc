@echo off
rem Takes zelvane.exe and its folder away again: the uninstall command beside install.cmd.
setlocal
set FOLDER=%ProgramFiles%\Zelvane
if defined ProgramW6432 set FOLDER=%ProgramW6432%\Zelvane
if exist "%FOLDER%\zelvane.exe" del /f /q "%FOLDER%\zelvane.exe"
if exist "%FOLDER%\zelvane.exe" exit /b 1
if exist "%FOLDER%\" rmdir "%FOLDER%"
exit /b 0
