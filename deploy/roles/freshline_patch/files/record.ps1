# Reads or clears the patch's "Result" key in its result record, through the
# profile functions the patch itself writes the record with (ANSI, the
# system's own INI rules), so that what is read here is what the patch meant.
[CmdletBinding(SupportsShouldProcess)]
param (
    [Parameter(Mandatory)][string]$Path,
    [Parameter(Mandatory)][string]$Section,
    [Parameter(Mandatory)][ValidateSet('Read', 'Clear')][string]$Action
)
$ErrorActionPreference = 'Stop'
Add-Type -Namespace FreshlineDeploy -Name Profile -MemberDefinition @'
[DllImport("kernel32.dll", CharSet = CharSet.Ansi, SetLastError = true)]
public static extern bool WritePrivateProfileStringA(string section, string key, string value, string path);
[DllImport("kernel32.dll", CharSet = CharSet.Ansi)]
public static extern uint GetPrivateProfileStringA(string section, string key, string fallback,
    System.Text.StringBuilder value, uint size, string path);
'@

$present = Test-Path -LiteralPath $Path -PathType Leaf
$value = ''
if ($present) {
    $buffer = New-Object System.Text.StringBuilder 64
    [void][FreshlineDeploy.Profile]::GetPrivateProfileStringA($Section, 'Result', '', $buffer, 64, $Path)
    $value = $buffer.ToString()
}
$Ansible.Changed = $false
$Ansible.Result = @{ present = $present; value = $value }

# A record left by an earlier run must not pass for this run's outcome: a run
# that ends before its record (a second instance) writes none.
if ($Action -eq 'Clear' -and $value -ne '') {
    if ($PSCmdlet.ShouldProcess($Path, "remove Result of [$Section]")) {
        # [NullString]: a plain $null would reach the API as "" and leave "Result=".
        if (-not [FreshlineDeploy.Profile]::WritePrivateProfileStringA($Section, 'Result', [NullString]::Value, $Path)) {
            throw New-Object System.ComponentModel.Win32Exception ([Runtime.InteropServices.Marshal]::GetLastWin32Error())
        }
    }
    $Ansible.Changed = $true
}
