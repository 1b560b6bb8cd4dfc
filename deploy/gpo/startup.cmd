@echo off
rem Group Policy start-up script (Computer Configuration, Policies, Windows Settings, Scripts,
rem Startup): erases the account from every profile as the PC starts, as SYSTEM, and appends
rem a record of each run to the log. The log's folder is made for administrators and SYSTEM.
set ACCOUNT=123456789
set ZELVANE=\\server\netlogon\zelvane.exe
set LOGDIR=%ProgramData%\Zelvane

if not exist "%LOGDIR%" mkdir "%LOGDIR%" && icacls "%LOGDIR%" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F >nul
"%ZELVANE%" /erase %ACCOUNT% /allusers /quiet /log "%LOGDIR%\zelvane.log"
exit /b %ERRORLEVEL%
