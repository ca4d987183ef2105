# Archive Selected with deletion armed, the client showing a view: Cancel on the first
# question ends the command; then both questions answered OK archive the two selected mails
# (pages in CRLF dated with the mail, attachments extracted byte for byte), delete them from
# the database, and refresh the client with F9, then Alt E D.
prepare() {
  set_setting "$C/Stowline/Stowline.ini" BasePath 'C:\Archive'
  set_setting "$C/Stowline/Stowline.ini" DelMsgAfterArc 1
  mkdir -p "$C/Archive"
}
HOST_SCRIPT='load C:\Notes\mail.snapshot mail.nsf
command 0 view ($All) select 2 4
command 0 view ($All) select 2 4
save C:\Notes\mail.snapshot mail.nsf
clean
dialog "Confirm Archive and Remove Messages"
  press Cancel
dialog "Confirm Archive and Remove Messages"
  press OK
dialog WARNING
  press OK'
EXPECTED='AddInMenus "stowline.dll"
load "stowline.dll" ok
database "mail.nsf" loaded
command 0 in "($All)", selected 2310 2298
box "Confirm Archive and Remove Messages" flags 0x21 "Please confirm you wish to archive and then remove selected messages from mailbox."
  press Cancel
command 0 result 0
command 0 in "($All)", selected 2310 2298
box "Confirm Archive and Remove Messages" flags 0x21 "Please confirm you wish to archive and then remove selected messages from mailbox."
  press OK
box "WARNING" flags 0x31 "WARNING: Archiving documents from a view will also remove those documments from all of the folders they exist in.\n\nDo you wish to continue?"
  press OK
key down F9
key up F9
key down Alt
key down E
key up E
key down D
key up D
key up Alt
command 0 result 0
stand-in clean
end'
check() {
  local view="$C/Archive/All Documents"
  local a="Attachment 4B285F0BEDCC6A0D8B50E5CC01B19EE3" m="MIME test 1 C509496238464F385537D65CD45B687A"
  expect_eq "archive tree" "All Documents
All Documents/$a.htm
All Documents/$m.htm
All Documents/_Attachments~
All Documents/_Attachments~/$a
All Documents/_Attachments~/$a/test.html
All Documents/_Attachments~/$m
All Documents/_Attachments~/$m/favicon.png" "$(archive_tree)"
  for page in "$view/$a.htm" "$view/$m.htm"; do
    crlf_only "$page" || fail "$page is not written with CRLF line ends"
  done
  # The mail has no Received date: it is dated by its Date, shown in the stand-in's zone
  # (US Eastern) and set as local time (the prefix runs in UTC).
  expect_eq "file time of $a" "2012-10-19 01:48:39" "$(mtime "$view/$a.htm")"  # Thu, 18 Oct 2012 22:48:39 -0700
  expect_eq "file time of $m" "2012-10-13 18:33:07" "$(mtime "$view/$m.htm")"  # Sat, 13 Oct 2012 15:33:07 -0700
  grep -q 'Subject.*Attachment' "$view/$a.htm" || fail "the page of $a does not show its subject"
  # Attachments are written as they are, never in text mode.
  expect_eq "test.html" "$(printf '<html>\nX')" "$(cat "$view/_Attachments~/$a/test.html"; printf X)"
  expect_eq "favicon.png signature" "89504e470d0a1a0a" "$(head -c 8 "$view/_Attachments~/$m/favicon.png" | od -An -tx1 | tr -d ' \n')"
  # Both documents are gone, from every view and folder; the others stay.
  expect_eq "documents left" "view 2294 (\$All) 2322 2330 2318 2306
view 2302 (\$Inbox) 2306
document 2306 Multipart Mixed
view 2314 Projects 2318
document 2318 Attachment
document 2322 In One Ear
view 2326 Projects\\2004 2322
document 2330 test Sun, 14 Oct 2012 16:09:01 -0700
view 2334 ProjectsOld 2330" "$(docs_left)"
}
