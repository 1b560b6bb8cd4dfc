# Intune remediation, remediation script: run as SYSTEM in 64-bit PowerShell. Erases the
# account from every profile and keeps a record in the log. Exits 0 only when Zelvane did
# (erased, or not there); 1 a place failed, 4 the messenger was running and may save the
# account again, and non-zero too when zelvane.exe is missing, is not an administrator's or
# does not start. Intune counts each as failed; the next scheduled run tries again.
$Account = '123456789'
$ProgramFolder = if ($env:ProgramW6432) { $env:ProgramW6432 } else { $env:ProgramFiles }
$Zelvane = "$ProgramFolder\Zelvane\zelvane.exe"
$LogFolder = "$env:SystemRoot\Logs\Zelvane"
$Log = "$LogFolder\zelvane.log"
# Each run that finds the account saves what it erases to a new file here first.
$Backups = "$LogFolder\backups\"
# Administrators, SYSTEM, TrustedInstaller: the only owners of an exe that SYSTEM runs.
$Trusted = 'S-1-5-32-544', 'S-1-5-18', 'S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464'

function Get-Owner($Path) {
    try { (Get-Acl -LiteralPath $Path).GetOwner([Security.Principal.SecurityIdentifier]).Value } catch { $null }
}

# The log's folder, made or put back for Administrators and SYSTEM alone, and the backups'
# folder inside it; never a link.
function Reset-LogFolder {
    if (-not (Test-Path -LiteralPath $LogFolder)) { New-Item -ItemType Directory -Path $LogFolder -ErrorAction Stop | Out-Null }
    if ((Get-Item -LiteralPath $LogFolder -Force).Attributes -band [IO.FileAttributes]::ReparsePoint) { throw "$LogFolder is a link: not used" }
    $Acl = New-Object Security.AccessControl.DirectorySecurity
    $Acl.SetOwner([Security.Principal.SecurityIdentifier]'S-1-5-32-544')
    $Acl.SetAccessRuleProtection($true, $false)
    foreach ($Sid in 'S-1-5-32-544', 'S-1-5-18') {
        $Acl.AddAccessRule((New-Object Security.AccessControl.FileSystemAccessRule ([Security.Principal.SecurityIdentifier]$Sid), 'FullControl', 'ContainerInherit, ObjectInherit', 'None', 'Allow'))
    }
    Set-Acl -LiteralPath $LogFolder -AclObject $Acl -ErrorAction Stop
    # Inside, it inherits that ACL.
    if (-not (Test-Path -LiteralPath $Backups)) { New-Item -ItemType Directory -Path $Backups -ErrorAction Stop | Out-Null }
    if ((Get-Item -LiteralPath $Backups -Force).Attributes -band [IO.FileAttributes]::ReparsePoint) { throw "$Backups is a link: not used" }
}

if (-not (Test-Path -LiteralPath $Zelvane -PathType Leaf)) { "zelvane.exe is missing: $Zelvane"; exit 1 }
if ($Trusted -notcontains (Get-Owner (Split-Path $Zelvane)) -or $Trusted -notcontains (Get-Owner $Zelvane)) { "zelvane.exe or its folder is not owned by an administrator: not run"; exit 1 }
try { Reset-LogFolder } catch { "the log's folder could not be made safe: $_"; exit 1 }
$global:LASTEXITCODE = $null
& $Zelvane /erase $Account /allusers /quiet /backup $Backups /log $Log | ForEach-Object { $_ }
if ($null -eq $LASTEXITCODE) { "zelvane.exe did not start: $Zelvane"; exit 1 }
exit $LASTEXITCODE
