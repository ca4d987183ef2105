# Where the add-in finds its settings folder: the current user's registry value wins over the
# local machine's, which wins over the notes.ini variable. Each folder holds settings with a
# base path of its own, which the Options dialog shows. Without any record the add-in says so.
prepare() {
  for f in User Machine Ini; do
    mkdir -p "$C/Settings$f"
    cp Stowline/Stowline.ini "$C/Settings$f/"
    set_setting "$C/Settings$f/Stowline.ini" BasePath "C:\\From$f"
  done
  printf 'StowlineSettingsPath=C:\\SettingsIni\r\n' >> "$C/Notes/notes.ini"
}
# Runs the host once with the registry values given as .reg lines and records the base path.
lookup_run() {
  printf 'REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Corvane]\r\n\r\n[-HKEY_LOCAL_MACHINE\\Software\\Corvane]\r\n\r\n%b' "$1" > lookup.reg
  regedit_import lookup.reg
  timeout 60 "$WINE" 'C:\Notes\notes-host.exe' "$(winpath "$work/options.script")" "$(winpath "$work/lookup.txt")" || true
  timeout 30 wineserver -w || true
  grep -E '^(box|  read)' lookup.txt
}
HKCU='[HKEY_CURRENT_USER\\Software\\Corvane\\Stowline]\r\n"ConfigPath"="C:\\\\SettingsUser"\r\n\r\n'
HKLM='[HKEY_LOCAL_MACHINE\\Software\\Corvane\\Stowline]\r\n"ConfigPath"="C:\\\\SettingsMachine"\r\n\r\n'
HOST_SCRIPT='message 3'
EXPECTED='AddInMenus "stowline.dll"
load "stowline.dll" ok
message 3: result 0
end'
check() {
  printf '%s\n' 'command 2' 'dialog "Stowline Options"' '  read 1000' '  press Cancel' > options.script
  expect_eq "current user and local machine" '  read 1000 "C:\\FromUser"' "$(lookup_run "$HKCU$HKLM")"
  expect_eq "local machine only" '  read 1000 "C:\\FromMachine"' "$(lookup_run "$HKLM")"
  expect_eq "notes.ini only" '  read 1000 "C:\\FromIni"' "$(lookup_run "")"
  sed -i '/StowlineSettingsPath/d' "$C/Notes/notes.ini"
  expect_eq "recorded nowhere" \
    'box "Stowline" flags 0x00 "Unable to obtain configuration path. A reinstall of Stowline may be required"' \
    "$(lookup_run "" | head -1)"
}
