#!/usr/bin/env bash
# Fails when code under src/ makes a file-system call or a registry write itself rather than
# through the system-call layer (os/), where a test layer can count it and fail it.
# Usage: os-rule.sh <src folder>
set -uo pipefail
src=$1
calls='CreateFile[AW]|ReadFile|WriteFile|FlushFileBuffers|SetEndOfFile|SetFilePointerEx?|SetFileTime|GetFileTime'
calls+='|GetFileInformationByHandle|GetFinalPathNameByHandle[AW]|SetFileInformationByHandle|GetSecurityInfo'
calls+='|GetFileAttributes(Ex)?[AW]|SetFileAttributes[AW]|MoveFile(Ex)?[AW]|CopyFile(Ex)?[AW]|ReplaceFile[AW]'
calls+='|CreateHardLink[AW]|DeleteFile[AW]|CreateDirectory[AW]|RemoveDirectory[AW]|FindFirstFile[AW]|FindNextFile[AW]'
calls+='|GetVolumePathName[AW]|GetTempFileName[AW]|GetFileSize(Ex)?|GetPrivateProfile[A-Za-z]*[AW]|WritePrivateProfile[A-Za-z]*[AW]'
calls+='|RegSetValueEx[AW]|RegCreateKeyEx[AW]|RegDeleteValue[AW]|RegDeleteKey[AW]|RegFlushKey'
found=$(cd "$src" && grep -rnE "(^|[^A-Za-z0-9_.>])(::)?($calls) *\(" --include='*.cpp' --include='*.h' . | sed 's|^\./||' \
          | grep -vE '^(os|framework)/')
if [ -n "$found" ]; then
  printf '%s\n' "$found"
  echo "make file-system calls and registry writes through ISystemCalls (os/SystemCalls.h)"
  exit 1
fi
echo "every file-system call and registry write of src/ goes through os/"
