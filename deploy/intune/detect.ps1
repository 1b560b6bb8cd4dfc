# Intune remediation, detection script: run as SYSTEM in 64-bit PowerShell. Exits 1, which
# runs the remediation, when the account is on this PC in any profile, when some place could
# not be read, or when zelvane.exe is missing, is not an administrator's or does not start;
# 0 only when Zelvane itself looked everywhere, found nothing and exited 0. It prints one
# line, Zelvane's summary or why Zelvane did not run, and no user's SID or name.
$Account = '123456789'
$ProgramFolder = if ($env:ProgramW6432) { $env:ProgramW6432 } else { $env:ProgramFiles }
$Zelvane = "$ProgramFolder\Zelvane\zelvane.exe"
# Administrators, SYSTEM, TrustedInstaller: the only owners of an exe that SYSTEM runs.
$Trusted = 'S-1-5-32-544', 'S-1-5-18', 'S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464'

function Get-Owner($Path) {
    try { (Get-Acl -LiteralPath $Path).GetOwner([Security.Principal.SecurityIdentifier]).Value } catch { $null }
}

if (-not (Test-Path -LiteralPath $Zelvane -PathType Leaf)) { "zelvane.exe is missing: $Zelvane"; exit 1 }
if ($Trusted -notcontains (Get-Owner (Split-Path $Zelvane)) -or $Trusted -notcontains (Get-Owner $Zelvane)) { "zelvane.exe or its folder is not owned by an administrator: not run"; exit 1 }
$global:LASTEXITCODE = $null
# Piped, so that PowerShell waits for the program (a Windows program, not a console one).
$Summary = & $Zelvane /find $Account /allusers | Select-Object -Last 1
if ($null -eq $LASTEXITCODE) { "zelvane.exe did not start: $Zelvane"; exit 1 }
$Summary
exit $LASTEXITCODE
