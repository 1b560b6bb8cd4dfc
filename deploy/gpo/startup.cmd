@echo off
rem Group Policy start-up script (Computer Configuration, Policies, Windows Settings, Scripts,
rem Startup): erases the account from every profile as the PC starts, as SYSTEM, and appends
rem a record of each run to the log. The release's zelvane-x64.exe and zelvane-x86.exe lie
rem beside this script, in the GPO's own folder, which only those who may edit the GPO can
rem write; the script runs the one that fits this Windows from there. It exits 0 only when
rem Zelvane did. (No && or ||: each step's code is looked at on a line of its own.)
setlocal
set ACCOUNT=123456789
set ZELVANE=%~dp0zelvane-x86.exe
if defined ProgramW6432 set ZELVANE=%~dp0zelvane-x64.exe
set LOGDIR=%SystemRoot%\Logs\Zelvane
set LOG=%LOGDIR%\zelvane.log
set BACKUPS=%LOGDIR%\backups
set ICACLS=%SystemRoot%\System32\icacls.exe

rem The log's folder, made or put back for Administrators and SYSTEM alone; a link there
rem (dir /al lists the reparse points) is never written through.
if not exist "%LOGDIR%\" mkdir "%LOGDIR%"
if not exist "%LOGDIR%\" exit /b 2
for /f "delims=" %%L in ('dir /b /al "%SystemRoot%\Logs" 2^>nul') do if /i "%%L"=="Zelvane" exit /b 2
"%ICACLS%" "%LOGDIR%" /setowner *S-1-5-32-544 >nul
if errorlevel 1 exit /b 2
"%ICACLS%" "%LOGDIR%" /reset >nul
if errorlevel 1 exit /b 2
"%ICACLS%" "%LOGDIR%" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F >nul
if errorlevel 1 exit /b 2
rem The backups' folder inside it, which inherits that ACL; never a link either.
if not exist "%BACKUPS%\" mkdir "%BACKUPS%"
if not exist "%BACKUPS%\" exit /b 2
for /f "delims=" %%L in ('dir /b /al "%LOGDIR%" 2^>nul') do if /i "%%L"=="backups" exit /b 2

if not exist "%ZELVANE%" (
    >>"%LOG%" echo %DATE% %TIME% startup.cmd: not run: %ZELVANE% is not there
    exit /b 2
)
rem Each run that finds the account saves what it erases to a new file in the backups' folder
rem first. The folder's name ends in a backslash, doubled before the closing quote so that it
rem is not read as a quote of the name.
"%ZELVANE%" /erase %ACCOUNT% /allusers /quiet /backup "%BACKUPS%\\" /log "%LOG%"
set CODE=%ERRORLEVEL%
rem Zelvane logs its own runs, which exit 0 to 4; any other code is a run that did not start.
if %CODE% GEQ 0 if %CODE% LEQ 4 exit /b %CODE%
>>"%LOG%" echo %DATE% %TIME% startup.cmd: %ZELVANE% did not start: exit code %CODE%
exit /b %CODE%
