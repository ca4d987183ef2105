# A long Archive View/Folder (300 mails at 20 ms a note) with deletion of mail and folder
# armed: after about a second the progress window shows the folder, the count and the subject;
# Cancel pressed in it stops the run between two documents. The archive then holds exactly the
# pages of the documents gone from the mailbox, each complete, the rest stay, the folder is
# not removed, and the client gets the boxes and the Escape of a failed run.
MAILS=300
prepare() {
  set_setting "$C/Stowline/Stowline.ini" BasePath 'C:\Archive'
  set_setting "$C/Stowline/Stowline.ini" DelMsgAfterArc 1
  set_setting "$C/Stowline/Stowline.ini" DelViewFoldersAfterArc 1
  mkdir -p "$C/Archive"
  local i
  for ((i = 1; i <= MAILS; i++)); do
    printf 'From sender@example.com Mon Mar  1 10:00:00 2004\nFrom: Sender <sender@example.com>\nTo: rcpt@example.com\nSubject: Bulk %d\nDate: Mon, 1 Mar 2004 10:00:00 +0000\nMessage-ID: <bulk%d@example.com>\n\nBody of mail %d.\n\n' "$i" "$i" "$i"
  done > bulk.mbox
  "$NOTES_MAILBOX" build "$C/Notes/mail.snapshot" --folder Bulk bulk.mbox
}
HOST_SCRIPT='load C:\Notes\mail.snapshot mail.nsf
pace 20
command 1 view Bulk
save C:\Notes\mail.snapshot mail.nsf
clean
dialog "Confirm Archive and Remove Folder"
  press OK
dialog "Stowline Archiving"
  dump
  snap progress
  press Cancel
dialog "Error"
  press OK
dialog "Stowline"
  press OK'
# The counts and the subject shown depend on the moment of the press.
normalize() {
  sed -E -e 's/"[0-9]+ of 300 documents"/"# of 300 documents"/' -e 's/"Bulk [0-9]+"/"Bulk #"/' \
    -e 's/cancelled; [0-9]+ document/cancelled; # document/'
}
EXPECTED='AddInMenus "stowline.dll"
load "stowline.dll" ok
database "mail.nsf" loaded
pace 20 ms
command 1 in "Bulk"
box "Confirm Archive and Remove Folder" flags 0x21 "Please confirm you wish to archive this folder and remove it from the mailbox."
  press OK
dialog "Stowline Archiving"
  frame system-menu caption modal-frame
  control 1100 static "Archiving Bulk" visible
  control 1101 static "# of 300 documents" visible
  control 1102 static "Bulk #" visible
  control 1103 msctls_progress32 "" visible
  control 2 push "Cancel" visible
  snapshot progress
  press Cancel
box "Error" flags 0x10 "Archive Error: Archiving was cancelled; # document(s) were not archived."
  press OK
box "Stowline" flags 0x00 "The view/folder was not removed, because not all of its documents could be archived."
  press OK
key down Escape
key up Escape
command 1 result 0
stand-in clean
end'
check() {
  if [ -s progress.png ]; then cp progress.png "$WORK_ROOT/../progress-window.png"; else fail "no screenshot"; fi
  local left
  left=$(sed -nE 's/.*cancelled; ([0-9]+) document.*/\1/p' transcript.txt)
  [ -n "$left" ] || { fail "no cancel reported"; return; }
  # Pages are named by the subject, a blank and the universal ID.
  local pages kept
  pages=$(cd "$C/Archive/Bulk" && ls -- *.htm | sed -E 's/ [0-9A-F]{32}\.htm$//' | LC_ALL=C sort)
  local listing
  listing=$(docs_left)
  kept=$(sed -nE 's/^document [0-9]+ (.*)$/\1/p' <<<"$listing" | LC_ALL=C sort)
  expect_eq "pages and documents left" "$MAILS" "$(( $(grep -c . <<<"$pages") + left ))"
  expect_eq "documents left" "$left" "$(grep -c . <<<"$kept")"
  [ "$left" -gt 0 ] && [ "$left" -lt "$MAILS" ] || fail "the press came at no point midway: $left left"
  # Every document is either archived and gone, or kept without a page.
  expect_eq "archived or kept, never both" "" "$(LC_ALL=C comm -12 <(echo "$pages") <(echo "$kept"))"
  expect_eq "every mail accounted for" "$MAILS" "$(LC_ALL=C sort -u <(echo "$pages") <(echo "$kept") | grep -c .)"
  local page
  for page in "$C/Archive/Bulk"/*.htm; do
    tail -c 9 "$page" | cmp -s - <(printf '</html>\r\n') || fail "$page is not complete"
  done
  # Read whole first: a grep that stops at its first match would cut the listing's pipe.
  grep -qE '^view [0-9]+ Bulk( |$)' <<<"$listing" || fail "the folder Bulk was removed"
  echo "progress window: $(( MAILS - left )) archived and deleted, $left left"
}
