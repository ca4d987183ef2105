# The settings gate: with the packed settings (no base path) Archive Selected tells why and
# opens the Options dialog instead of archiving; with a base path that does not exist Archive
# View/Folder does the same; Options/Other opens the dialog without any check. Nothing is
# archived, deleted or saved.
HOST_SCRIPT='load C:\Notes\mail.snapshot mail.nsf
command 0 view ($All) select 1
command 2
save C:\Notes\mail.snapshot mail.nsf
dialog "Provide Settings"
  press OK
dialog "Stowline Options"
  set 1000 C:\Missing
  press Cancel
dialog "Stowline Options"
  read 1000
  press Cancel'
EXPECTED='AddInMenus "stowline.dll"
load "stowline.dll" ok
database "mail.nsf" loaded
command 0 in "($All)", selected 2322
box "Provide Settings" flags 0x30 "Please supply valid settings before continuing\n\nArchive Base Path has not been specified."
  press OK
dialog "Stowline Options"
  set 1000 "C:\\Missing"
  press Cancel
command 0 result 0
command 2
dialog "Stowline Options"
  read 1000 ""
  press Cancel
command 2 result 0
end'
check() {
  [ ! -e "$C/Archive" ] || fail "something was archived"
  expect_eq "settings file" "$(cat Stowline/Stowline.ini)" "$(cat "$C/Stowline/Stowline.ini")"
  expect_eq "documents" "$("$NOTES_MAILBOX" list "$SNAPSHOT")" "$(docs_left)"
}
