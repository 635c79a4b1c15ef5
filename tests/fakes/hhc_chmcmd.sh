#!/bin/sh
# The Unix half of the hhc.exe stand-in: compiles a help project with Free
# Pascal's chmcmd and reports chmcmd's exit code in a file, since a Windows
# program under Wine cannot wait for a Unix process.
# Arguments: the project's Unix path, the report file's Unix path.
project="$1"
report="$2"
cd "$(dirname "$project")" || { echo 1 > "$report"; exit 1; }
name=$(basename "$project")
# hhc.exe compiles the project's default topic on its own; chmcmd only the
# pages that the contents, the index and their links name. A copy of the
# project that lists the default topic makes chmcmd do as hhc.exe does.
topic=$(sed -n 's/^Default topic=\(.*\)\r\{0,1\}$/\1/p' "$name" | tr -d '\r')
copy="$name.standin.hhp"
cp "$name" "$copy"
if [ -n "$topic" ] && [ -f "$topic" ]; then
  printf '[FILES]\r\n%s\r\n' "$topic" >> "$copy"
fi
chmcmd "$copy"
code=$?
rm -f "$copy"
echo "$code" > "$report.tmp" && mv "$report.tmp" "$report"
exit "$code"
