# Configuration Manager configuration item, remediation script: erases the account from every
# profile and keeps a record in the log. Exit 0 erased (or not there), 1 a place failed,
# 4 the messenger was running and may save the account again (run again later).
$Account = '123456789'
$Zelvane = "$env:ProgramData\Zelvane\zelvane.exe"
$Log = "$env:ProgramData\Zelvane\zelvane.log"

& $Zelvane /erase $Account /allusers /quiet /log $Log | ForEach-Object { $_ }
exit $LASTEXITCODE
