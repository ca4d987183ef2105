# Archive View/Folder on the folder Projects with deletion of mail and folder armed: only the
# folder question is asked; Projects and its subfolder Projects\2004 are archived into their
# own output folders and emptied, ProjectsOld (a name that merely begins the same) is left
# alone, the folder Projects alone is removed, and the client gets Escape (no F9, no Alt E D).
prepare() {
  set_setting "$C/Stowline/Stowline.ini" BasePath 'C:\Archive'
  set_setting "$C/Stowline/Stowline.ini" DelMsgAfterArc 1
  set_setting "$C/Stowline/Stowline.ini" DelViewFoldersAfterArc 1
  mkdir -p "$C/Archive"
}
HOST_SCRIPT='load C:\Notes\mail.snapshot mail.nsf
command 1 view Projects
save C:\Notes\mail.snapshot mail.nsf
clean
dialog "Confirm Archive and Remove Folder"
  press OK'
EXPECTED='AddInMenus "stowline.dll"
load "stowline.dll" ok
database "mail.nsf" loaded
command 1 in "Projects"
box "Confirm Archive and Remove Folder" flags 0x21 "Please confirm you wish to archive this folder and remove it from the mailbox."
  press OK
key down Escape
key up Escape
command 1 result 0
stand-in clean
end'
check() {
  local ear="In One Ear 8210539759810E45415F32CB02F50278" att="Attachment 6B04982337FF6B258E6F5471D39D264D"
  local mime="MIME test 1 C509496238464F385537D65CD45B687A"
  # Projects\2004 is archived below Projects; the colons of a subject cannot stay in a name.
  expect_eq "archive tree" "Projects
Projects/2004
Projects/2004/$ear.htm
Projects/2004/_Attachments~
Projects/2004/_Attachments~/$ear
Projects/2004/_Attachments~/$ear/ATT00001.bin
Projects/$att.htm
Projects/$mime.htm
Projects/_Attachments~
Projects/_Attachments~/$att
Projects/_Attachments~/$att/some.doc
Projects/_Attachments~/$mime
Projects/_Attachments~/$mime/favicon.png" "$(archive_tree)"
  for page in "$C/Archive/Projects/$att.htm" "$C/Archive/Projects/2004/$ear.htm"; do
    crlf_only "$page" || fail "$page is not written with CRLF line ends"
  done
  # Every archived mail is deleted; of the three folders only Projects itself is removed.
  expect_eq "documents left" "view 2294 (\$All) 2330 2298 2306
document 2298 Attachment
view 2302 (\$Inbox) 2298 2306
document 2306 Multipart Mixed
view 2326 Projects\\2004
document 2330 test Sun, 14 Oct 2012 16:09:01 -0700
view 2334 ProjectsOld 2330" "$(docs_left)"
}
