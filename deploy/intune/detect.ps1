# Intune remediation, detection script. Exit 1 (run the remediation) when the account is on
# this PC in any profile, or when some place could not be read; 0 when it is nowhere. Intune
# shows the last line: Zelvane's summary. Runs as SYSTEM, so /allusers reaches every user.
$Account = '123456789'
$Zelvane = "$env:ProgramData\Zelvane\zelvane.exe"

# Piped, so that PowerShell waits for the program (a Windows program, not a console one).
& $Zelvane /find $Account /allusers | ForEach-Object { $_ }
exit $LASTEXITCODE
