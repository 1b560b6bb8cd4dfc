# Intune remediation, remediation script. Erases the account from every profile and keeps a
# record in the log. Exit 0 erased (or not there); 1 a place failed; 4 the messenger was
# running and may save the account again: Intune counts both as failed and tries again.
$Account = '123456789'
$Zelvane = "$env:ProgramData\Zelvane\zelvane.exe"
$Log = "$env:ProgramData\Zelvane\zelvane.log"

& $Zelvane /erase $Account /allusers /quiet /log $Log | ForEach-Object { $_ }
exit $LASTEXITCODE
