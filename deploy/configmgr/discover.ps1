# Configuration Manager configuration item, discovery script: prints how many places hold the
# account (compliant when it is 0) and exits 0. When some place could not be read it prints
# nothing and exits 1, a discovery failure rather than a count that is not known.
$Account = '123456789'
$Zelvane = "$env:ProgramData\Zelvane\zelvane.exe"

$Summary = & $Zelvane /find $Account /allusers | Select-Object -Last 1
if ($Summary -match ': found in (\d+) place') { $Matches[1]; exit 0 }
if ($Summary -match ': not found$') { 0; exit 0 }
exit 1
