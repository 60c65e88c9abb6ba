; A real NSIS installer for the end-to-end tests: a payload of the size
; given (/DPAYLOAD=file), which NSIS reads and checks whole before it shows
; its first window, then one page that stays for a second and a half and
; closes by itself with the exit code 7, as an installer that went well
; with a code of its own. Built for the processor the launcher under test
; is built for (/DTARGET=x86-unicode or amd64-unicode): a 64-bit launcher is
; the one shipped for Windows that may have no 32-bit subsystem.
Target ${TARGET}
Name "Orveline test installer"
OutFile "${OUTFILE}"
RequestExecutionLevel user
SetCompress off
CRCCheck force
AutoCloseWindow true
ShowInstDetails show
InstallDir "$TEMP\orveline-nsis-test"

Page instfiles

Section
  Sleep 1500
  SetErrorLevel 7
SectionEnd

; The payload is carried, never extracted: its cost is the start's check.
Section /o "payload"
  File "${PAYLOAD}"
SectionEnd
