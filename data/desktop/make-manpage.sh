#!/bin/sh
# Writes the tavril-cli manual page (troff, section 1) from the program's own
# help, so the page says what the program does and cannot go stale.
# usage: make-manpage.sh TAVRIL_CLI VERSION > tavril-cli.1
set -eu
cli=$1
version=$2
# troff reads a leading '.' or "'" as a request and '\' as an escape.
quote() { sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"; }
echo ".TH TAVRIL-CLI 1 \"\" \"Tavril $version\" \"User Commands\""
echo ".SH NAME"
printf '%s\n' 'tavril-cli \- headless tools of Tavril, the workstation for animal sound recordings'
echo ".SH SYNOPSIS"
echo ".B tavril-cli"
echo ".I COMMAND"
printf '%s\n' '[\fIARGS\fR...]'
echo ".SH DESCRIPTION"
echo ".nf"
"$cli" help | quote
echo ".fi"
echo ".SH COMMANDS"
for command in $("$cli" help | awk '/^Commands:/ {on=1; next} on && /^  [a-z]/ {print $1}'); do
    echo ".SS $command"
    echo ".nf"
    "$cli" help "$command" | quote
    echo ".fi"
done
echo ".SH SEE ALSO"
echo ".BR tavril (1)"
