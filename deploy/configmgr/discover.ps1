# Configuration Manager configuration item, discovery script (data type Integer, compliant
# when it equals 0): prints how many places hold the account. It prints 0 only when Zelvane
# itself looked everywhere, found nothing and exited 0; it throws, a discovery failure, when
# zelvane.exe is missing, is not an administrator's or does not start, or when some place
# could not be read and no copy was found.
$Account = '123456789'
$ProgramFolder = if ($env:ProgramW6432) { $env:ProgramW6432 } else { $env:ProgramFiles }
$Zelvane = "$ProgramFolder\Zelvane\zelvane.exe"
# Administrators, SYSTEM, TrustedInstaller: the only owners of an exe that SYSTEM runs.
$Trusted = 'S-1-5-32-544', 'S-1-5-18', 'S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464'

function Get-Owner($Path) {
    try { (Get-Acl -LiteralPath $Path).GetOwner([Security.Principal.SecurityIdentifier]).Value } catch { $null }
}

if (-not (Test-Path -LiteralPath $Zelvane -PathType Leaf)) { throw "zelvane.exe is missing: $Zelvane" }
if ($Trusted -notcontains (Get-Owner (Split-Path $Zelvane)) -or $Trusted -notcontains (Get-Owner $Zelvane)) { throw "zelvane.exe or its folder is not owned by an administrator: not run" }
$global:LASTEXITCODE = $null
$Summary = & $Zelvane /find $Account /allusers | Select-Object -Last 1
if ($null -eq $LASTEXITCODE) { throw "zelvane.exe did not start: $Zelvane" }
if ($Summary -match ': found in (\d+) place') { $Matches[1]; exit 0 }
if ($LASTEXITCODE -eq 0 -and $Summary -match ': not found$') { 0; exit 0 }
throw "Zelvane could not look everywhere: $Summary"
