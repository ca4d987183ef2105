# The menu protocol: item set-up (message 0), enabling by the context word (message 1),
# shutdown (3) and an unknown message (4). Only bit 3 and the low three bits of the context
# count; the Options item is never touched.
HOST_SCRIPT='load C:\Notes\mail.snapshot mail.nsf
setup 0x1F40
state 9 8 1 10 0 0x0F 0x19
message 3
message 4
unload'
EXPECTED='AddInMenus "stowline.dll"
load "stowline.dll" ok
database "mail.nsf" loaded
setup 0: result 1, offset 0, text "&Stowline: Archive Selected"
setup 1: result 1, offset 1, text "Stowline: Archive View/Folder"
setup 2: result 2, offset 2, text "Stowline: Options/Other"
state 0x09: result 0, 0 enabled, 1 enabled, 2 enabled
state 0x08: result 0, 0 greyed, 1 greyed, 2 enabled
state 0x01: result 0, 0 greyed, 1 greyed, 2 enabled
state 0x0A: result 0, 0 greyed, 1 greyed, 2 enabled
state 0x00: result 0, 0 greyed, 1 greyed, 2 enabled
state 0x0F: result 0, 0 greyed, 1 greyed, 2 enabled
state 0x19: result 0, 0 enabled, 1 enabled, 2 enabled
message 3: result 0
message 4: result 0
add-ins unloaded
end'
